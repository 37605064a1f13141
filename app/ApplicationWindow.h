#pragma once
// The application's hidden window: it carries the application title, owns the main window and the message boxes,
// and shows the completion message and the failure display.

#include <windows.h>

#include <string>

namespace quibel {

class ApplicationWindow {
  public:
    ApplicationWindow(HINSTANCE instance, const std::string& title);
    ~ApplicationWindow();
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;

    HWND Handle() const { return window_; }
    const std::string& Title() const { return title_; }

    // A modal box with the text and one OK button, no icon, captioned with the application title.
    void ShowMessage(const std::string& text) const;
    // The failure display: the same box with the stop icon.
    void ShowFailure(const std::string& text) const;

  private:
    std::string title_;
    HWND window_ = nullptr;
};

}  // namespace quibel
