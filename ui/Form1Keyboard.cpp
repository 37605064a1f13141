// TForm1's keys: the window has no default or cancel button, so Enter presses only the focused button and Escape
// nothing; Tab and Shift+Tab go through the visible controls in tab order, the arrow keys through a page's
// controls while a button has the focus (lists and the memo keep their arrow keys).
#include "ui/FocusOrder.h"
#include "ui/Form1.h"

namespace quibel {

namespace {

bool CanTakeFocus(HWND control) {
    return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

}  // namespace

std::vector<HWND> TForm1::TabOrder() const {
    // The directory list comes before the drive list although it lies below it.
    return {
        picker_->DirectoryListWindow(), picker_->DriveListWindow(), BoutSuivant1, BoutInstaller, Memo1, BoutPrecedent3};
}

HWND TForm1::FocusedTabControl() const {
    const HWND focus = GetFocus();
    for (const HWND control : TabOrder()) {
        if (focus != nullptr && (control == focus || IsChild(control, focus))) {
            return control;
        }
    }
    return nullptr;
}

void TForm1::MoveFocus(const std::vector<HWND>& controls, int step) {
    std::vector<bool> available;
    int current = -1;
    const HWND focused = FocusedTabControl();
    for (const HWND control : controls) {
        if (control == focused) {
            current = static_cast<int>(available.size());
        }
        available.push_back(CanTakeFocus(control));
    }
    const int next = NextFocusIndex(available, current, step);
    if (next >= 0) {
        SetFocus(controls[static_cast<std::size_t>(next)]);
    }
}

void TForm1::FocusFirstOn(HWND page) {
    for (const HWND control : TabOrder()) {
        if (GetParent(control) == page && CanTakeFocus(control)) {
            SetFocus(control);
            return;
        }
    }
}

bool TForm1::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_KEYDOWN || window_ == nullptr ||
        (message.hwnd != window_ && !IsChild(window_, message.hwnd)) || GetKeyState(VK_MENU) < 0) {
        return false;
    }
    const HWND focus = GetFocus();
    const bool onButton = focus == BoutSuivant1 || focus == BoutInstaller || focus == BoutPrecedent3;
    switch (message.wParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) < 0) {
                return false;
            }
            MoveFocus(TabOrder(), GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
            return true;
        case VK_RETURN:
            if (!onButton) {
                return false;
            }
            SendMessageA(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                         reinterpret_cast<LPARAM>(focus));
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (!onButton) {
                return false;
            }
            std::vector<HWND> page;
            for (const HWND control : TabOrder()) {
                if (GetParent(control) == GetParent(focus)) {
                    page.push_back(control);
                }
            }
            MoveFocus(page, message.wParam == VK_RIGHT || message.wParam == VK_DOWN ? 1 : -1);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace quibel
