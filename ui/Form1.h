#pragma once
// The installer's one window, TForm1: a header (logo, product title, install directory, note) above two pages in
// the same place, the directory page Panel1 with the drive and directory picker and "Suivant", and the install
// page Panel3 with the start button, the log and "Précédent". It owns the controller and runs its handlers; a
// failure that leaves a handler goes to the failure display and the window stays open.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ApplicationWindow.h"
#include "app/InstallerController.h"
#include "app/InstallerView.h"
#include "ui/DirectoryPicker.h"
#include "ui/Gdi.h"

namespace quibel {

class TForm1 final : public InstallerView {
  public:
    // Creates the window and its controls, scales the layout and runs FormCreate.
    TForm1(HINSTANCE instance,
           ApplicationWindow& application,
           FileSystem& fileSystem,
           InstallerEnvironment environment);
    // Destroys the window, which runs FormDestroy.
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Shows and activates the window; its first activation runs FormActivate.
    void Show();
    HWND Handle() const { return window_; }

    // The window's keys, looked at before the message is dispatched: Tab and Shift+Tab through the visible
    // controls, Enter on the focused button, the arrow keys while a button has the focus. True when used.
    bool PreTranslateMessage(const MSG& message);

    // Handlers of the window.
    void DirectoryListBox1Change() override;
    void BoutSuivant1Click();
    void BoutPrecedent3Click();

    // What the controller asks of the window.
    void SetTitleLabel(const std::string& text) override;
    void SetDrive(char letter) override;
    char Drive() override;
    std::string InstallDirectory() override;
    void DisableBackButton() override;
    void ClearLog() override;
    LineSink& Log() override { return log_; }
    LineSink& BannerLines() override { return memo2_; }
    void ShowMessage(const std::string& text) override;
    void ShowFailureDisplay(const std::string& text) override;
    void Close() override;

  private:
    // Memo1's lines are gathered here while a handler runs and put into the edit control in one go when the
    // window can next show something: a run does not return to the message loop, so nothing repaints meanwhile,
    // and one long text costs far less than thousands of appends.
    class BufferedLog final : public LineSink {
      public:
        void AppendLine(const std::string& line) override;
        std::string text;
        bool changed = false;
    };
    // Memo2 is never shown: the banner's lines are only kept.
    class LineList final : public LineSink {
      public:
        void AppendLine(const std::string& line) override { lines.push_back(line); }
        std::vector<std::string> lines;
    };

    // How a label paints: its text colour on its parent's colour.
    static constexpr COLORREF SystemWindowText = 0xFF000000;  // not an RGB value: the system's window text
    struct LabelColours {
        HWND label;
        COLORREF text;
    };

    struct Fonts {
        FontHandle window;
        FontHandle labelRep;
        FontHandle label2;
        FontHandle label7;
        FontHandle label3;
        FontHandle boutInstaller;
    };

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnActivate(WPARAM wParam);
    void OnCommand(int controlId, int notification);
    LRESULT OnControlColour(HDC dc, HWND control);
    void DrawLogo(const DRAWITEMSTRUCT& item);

    // Building (Form1Layout.cpp).
    void CreateWindowAndControls(HINSTANCE instance);
    void CreateFonts(int measuredHeight);
    HWND AddLabel(HWND parent, int id, int left, int top, const std::string& text, HFONT font, COLORREF colour);
    HWND AddControl(HWND parent,
                    const char* className,
                    DWORD style,
                    DWORD exStyle,
                    int id,
                    const RECT& bounds,
                    const std::string& text,
                    HFONT font);
    void AutoSize(HWND label);
    RECT Scaled(int left, int top, int width, int height) const;

    // Keyboard (Form1Keyboard.cpp).
    std::vector<HWND> TabOrder() const;
    HWND FocusedTabControl() const;
    void MoveFocus(const std::vector<HWND>& controls, int step);
    void FocusFirstOn(HWND page);

    void Run(void (InstallerController::*handler)());
    void ShowFailure(const std::exception& failure);
    void RunGuarded(const std::function<void()>& handler);
    void FlushLog();

    HINSTANCE instance_;
    ApplicationWindow& application_;
    InstallerController controller_;
    std::unique_ptr<DirectoryPicker> picker_;

    HWND window_ = nullptr;
    HWND LabelRep = nullptr;
    HWND Label2 = nullptr;
    HWND Image1 = nullptr;
    HWND Label7 = nullptr;
    HWND Label8 = nullptr;
    HWND Panel3 = nullptr;
    HWND Panel1 = nullptr;
    HWND Label3 = nullptr;
    HWND BoutSuivant1 = nullptr;
    HWND Label1 = nullptr;
    HWND BoutInstaller = nullptr;
    HWND Memo1 = nullptr;
    HWND BoutPrecedent3 = nullptr;

    int measuredHeight_ = 0;  // the window font's "0", against the layout's 16
    Fonts fonts_;
    BrushHandle cream_;
    BrushHandle skyBlue_;
    BitmapHandle logo_;
    std::vector<LabelColours> labelColours_;

    BufferedLog log_;
    LineList memo2_;
    bool activated_ = false;
    HWND savedFocus_ = nullptr;
};

// Registers the window class of TForm1.
void RegisterFormClass(HINSTANCE instance, WNDPROC procedure);

// Runs the message loop with the window's keys until the window closes.
void RunMessageLoop(TForm1& form);

}  // namespace quibel
