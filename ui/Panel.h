#pragma once
// A page of the window: a child window filled with its colour and framed by a raised 1 px bevel. The
// notifications of its children go on to its parent, so that the window handles all of them in one place.

#include <windows.h>

namespace quibel {

void RegisterPanelClass(HINSTANCE instance);

// The brush stays owned by the caller and must outlive the panel.
HWND CreatePanel(HINSTANCE instance, HWND parent, int id, const RECT& bounds, HBRUSH background, bool visible);

HBRUSH PanelBrush(HWND panel);

// Messages that a control sends its parent about itself (commands, owner drawing, colours).
bool IsChildNotification(UINT message);

}  // namespace quibel
