#include "app/ApplicationWindow.h"

namespace quibel {

namespace {

constexpr const char* ApplicationWindowClass = "TApplication";

// The program's other windows are disabled while one of its message boxes is open (the box's owner is the hidden
// application window, so the system would disable only that one) and enabled again afterwards.
class DisabledThreadWindows {
  public:
    DisabledThreadWindows() { EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(this)); }
    ~DisabledThreadWindows() {
        for (int i = 0; i < count_; ++i) {
            EnableWindow(windows_[i], TRUE);
        }
    }
    DisabledThreadWindows(const DisabledThreadWindows&) = delete;
    DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

  private:
    static BOOL CALLBACK DisableWindow(HWND window, LPARAM self) {
        auto& disabled = *reinterpret_cast<DisabledThreadWindows*>(self);
        if (IsWindowVisible(window) && IsWindowEnabled(window) && disabled.count_ < MaximumWindows) {
            EnableWindow(window, FALSE);
            disabled.windows_[disabled.count_++] = window;
        }
        return TRUE;
    }

    static constexpr int MaximumWindows = 16;
    HWND windows_[MaximumWindows] = {};
    int count_ = 0;
};

void ShowModalBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    const HWND active = GetActiveWindow();
    {
        const DisabledThreadWindows disabled;
        MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
    }
    if (active != nullptr && IsWindow(active)) {
        SetActiveWindow(active);
    }
}

}  // namespace

void ApplicationWindow::RegisterWindowClass(HINSTANCE instance, HICON icon) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.lpszClassName = ApplicationWindowClass;
    RegisterClassA(&windowClass);
}

ApplicationWindow::ApplicationWindow(HINSTANCE instance, const std::string& title, HICON icon) : title_(title) {
    RegisterWindowClass(instance, icon);
    // No size, at the centre of the screen: nothing of it shows but its taskbar entry (an empty window gets no
    // frame either).
    window_ = CreateWindowExA(0, ApplicationWindowClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, instance, this);
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void ApplicationWindow::Show() const {
    ShowWindow(window_, SW_SHOWNA);
}

LRESULT CALLBACK ApplicationWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<ApplicationWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_SYSCOMMAND:
            self->OnSystemCommand(wParam, lParam);
            return 0;
        case WM_SETFOCUS:
            // The taskbar entry was clicked: the activation belongs to the window it owns.
            self->ActivateOwnedWindow();
            return 0;
        case WM_CLOSE:
            // Closing from the taskbar closes the program's window, as its close box does.
            if (const HWND owned = GetLastActivePopup(window); owned != window && IsWindowEnabled(owned)) {
                PostMessageA(owned, WM_CLOSE, 0, 0);
            }
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// lParam carries the key of a keyboard menu command or the cursor's position of a mouse one.
void ApplicationWindow::OnSystemCommand(WPARAM command, LPARAM lParam) {
    switch (command & 0xFFF0) {
        case SC_MINIMIZE:
            if (!IsIconic(window_)) {
                lastActive_ = GetLastActivePopup(window_);
                // The owned windows go with the entry; the form keeps the control that has the focus.
                ShowOwnedPopups(window_, FALSE);
                DefWindowProcA(window_, WM_SYSCOMMAND, command, lParam);
            }
            return;
        case SC_RESTORE:
            if (IsIconic(window_)) {
                DefWindowProcA(window_, WM_SYSCOMMAND, command, lParam);
                ShowOwnedPopups(window_, TRUE);
                ActivateOwnedWindow();
            }
            return;
        default:
            DefWindowProcA(window_, WM_SYSCOMMAND, command, lParam);
    }
}

void ApplicationWindow::ActivateOwnedWindow() const {
    HWND owned = lastActive_ != nullptr && IsWindow(lastActive_) ? lastActive_ : GetLastActivePopup(window_);
    if (owned != window_ && IsWindowVisible(owned)) {
        SetActiveWindow(owned);
    }
}

ApplicationWindow::~ApplicationWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void ApplicationWindow::ShowMessage(const std::string& text) const {
    ShowModalBox(window_, text, title_, MB_OK);
}

void ApplicationWindow::ShowFailure(const std::string& text) const {
    // A window that holds the mouse capture would keep it across the modal box.
    const HWND capture = GetCapture();
    if (capture != nullptr) {
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    }
    ShowModalBox(window_, text, title_, MB_OK | MB_ICONSTOP);
}

}  // namespace quibel
