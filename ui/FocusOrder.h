#pragma once
// Moving the keyboard focus through a list of controls in tab order: forward or backward to the next control that
// can take the focus, wrapping around at the ends.

#include <vector>

namespace quibel {

// The index that the focus moves to from current (-1 when the focus is on none of them) by step +1 or -1; -1 when
// no control can take the focus. From none, forward gives the first control and backward the last.
int NextFocusIndex(const std::vector<bool>& canTakeFocus, int current, int step);

}  // namespace quibel
