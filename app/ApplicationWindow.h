#pragma once
// The application window: the program's taskbar entry, with the application title and the program's icon. It is
// visible but has no size, owns the main window and the message boxes, and shows the completion message and the
// failure display. Minimised and restored from the taskbar, it hides and brings back the windows it owns.

#include <windows.h>

#include <string>

namespace quibel {

class ApplicationWindow {
  public:
    ApplicationWindow(HINSTANCE instance, const std::string& title, HICON icon);
    ~ApplicationWindow();
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;

    // Registers the window's class with the program's icon: the icon of the taskbar entry.
    static void RegisterWindowClass(HINSTANCE instance, HICON icon);

    HWND Handle() const { return window_; }
    // Shows the taskbar entry, without taking the activation from the windows it owns.
    void Show() const;
    const std::string& Title() const { return title_; }

    // A modal box with the text and one OK button, no icon, captioned with the application title.
    void ShowMessage(const std::string& text) const;
    // The failure display: the same box with the stop icon.
    void ShowFailure(const std::string& text) const;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnSystemCommand(WPARAM command, LPARAM lParam);
    void ActivateOwnedWindow() const;

    std::string title_;
    HWND window_ = nullptr;
    HWND lastActive_ = nullptr;  // the owned window that was active when the entry was minimised
};

}  // namespace quibel
