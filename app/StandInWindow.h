#pragma once
// A plain window that stands in for the installer's real window: the install-directory line, a directory field in
// place of the drive and directory picker, the start button, the back button and the log. It owns the controller,
// runs its handlers and shows their failures.

#include <windows.h>

#include <string>

#include "app/ApplicationWindow.h"
#include "app/InstallerController.h"
#include "app/InstallerView.h"

namespace quibel {

class StandInWindow final : public InstallerView {
  public:
    // Creates the window and its controls, which runs FormCreate.
    StandInWindow(HINSTANCE instance,
                  ApplicationWindow& application,
                  FileSystem& fileSystem,
                  InstallerEnvironment environment);
    // Destroys the window, which runs FormDestroy.
    ~StandInWindow() override;
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;

    // Shows and activates the window; its first activation runs FormActivate.
    void Show();

    void SetTitleLabel(const std::string& text) override;
    void SetDrive(char letter) override;
    char Drive() override { return drive_; }
    void DirectoryListBox1Change() override;
    std::string InstallDirectory() override;
    void DisableBackButton() override;
    void ClearLog() override;
    LineSink& Log() override { return log_; }
    LineSink& BannerLines() override { return bannerLines_; }
    void ShowMessage(const std::string& text) override;
    void Close() override;

  private:
    // The log's lines are kept here during a handler and put into the edit control in one go when the window
    // next shows something: a run does not return to the message loop, so the window does not repaint anyway.
    class BufferedLog final : public LineSink {
      public:
        void AppendLine(const std::string& line) override;
        std::string text;
        bool changed = false;
    };
    class DiscardedLines final : public LineSink {
      public:
        void AppendLine(const std::string&) override {}
    };

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(int controlId, int notification);
    void Run(void (InstallerController::*handler)());
    void FlushLog();
    HWND
    AddControl(const char* className, const char* text, DWORD style, int left, int top, int width, int height, int id);

    ApplicationWindow& application_;
    InstallerController controller_;
    HWND window_ = nullptr;
    HWND title_ = nullptr;
    HWND labelRep_ = nullptr;
    HWND directory_ = nullptr;
    HWND backButton_ = nullptr;
    HWND memo_ = nullptr;
    HFONT font_ = nullptr;
    char drive_ = 'c';
    BufferedLog log_;
    DiscardedLines bannerLines_;
};

}  // namespace quibel
