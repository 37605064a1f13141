#pragma once
// While a modal box of the program is open its other windows are disabled: the visible, enabled top-level windows
// of the thread at the time the box opens. They are enabled again by Restore or at the end of the scope.

#include <windows.h>

#include <vector>

namespace quibel {

class ThreadWindowsDisabled {
  public:
    ThreadWindowsDisabled() { EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this)); }
    ~ThreadWindowsDisabled() { Restore(); }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

    void Restore() {
        for (const HWND window : windows_) {
            if (IsWindow(window)) {
                EnableWindow(window, TRUE);
            }
        }
        windows_.clear();
    }

  private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self) {
        if (IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            reinterpret_cast<ThreadWindowsDisabled*>(self)->windows_.push_back(window);
        }
        return TRUE;
    }

    std::vector<HWND> windows_;
};

}  // namespace quibel
