#include "app/ApplicationWindow.h"

namespace quibel {

namespace {

constexpr const char* ApplicationWindowClass = "TApplication";

void RegisterApplicationWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ApplicationWindowClass;
    RegisterClassA(&windowClass);
}

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

ApplicationWindow::ApplicationWindow(HINSTANCE instance, const std::string& title) : title_(title) {
    RegisterApplicationWindowClass(instance);
    window_ =
        CreateWindowExA(0, ApplicationWindowClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                        0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
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
