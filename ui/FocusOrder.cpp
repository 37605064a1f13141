#include "ui/FocusOrder.h"

namespace quibel {

int NextFocusIndex(const std::vector<bool>& canTakeFocus, int current, int step) {
    const int count = static_cast<int>(canTakeFocus.size());
    if (count == 0) {
        return -1;
    }
    int index = current;
    if (index < 0 || index >= count) {
        index = step > 0 ? count - 1 : 0;
    }
    for (int tried = 0; tried < count; ++tried) {
        index = ((index + step) % count + count) % count;
        if (canTakeFocus[static_cast<std::size_t>(index)]) {
            return index;
        }
    }
    return -1;
}

}  // namespace quibel
