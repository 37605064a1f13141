#include "app/StandInWindow.h"

#include <cctype>

#include "app/EventHandler.h"

namespace quibel {

namespace {

constexpr const char* WindowClass = "TForm1";
constexpr const char* WindowCaption = "Installation";
constexpr int ClientWidth = 640;
constexpr int ClientHeight = 480;

enum ControlId { DirectoryId = 101, StartId, BackId, MemoId };

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass);
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

void StandInWindow::BufferedLog::AppendLine(const std::string& line) {
    if (!text.empty()) {
        text += "\r\n";
    }
    text += line;
    changed = true;
}

StandInWindow::StandInWindow(HINSTANCE instance,
                             ApplicationWindow& application,
                             FileSystem& fileSystem,
                             InstallerEnvironment environment)
    : application_(application), controller_(*this, fileSystem, std::move(environment)) {
    RegisterWindowClass(instance, WindowProcedure);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW, WindowClass, WindowCaption, style,
                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                    height, application_.Handle(), nullptr, instance, this);
}

StandInWindow::~StandInWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void StandInWindow::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK StandInWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<StandInWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT StandInWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                Run(&InstallerController::FormActivate);
            }
            break;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            Run(&InstallerController::FormDestroy);
            if (font_ != nullptr) {
                DeleteObject(font_);
            }
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

HWND StandInWindow::AddControl(const char* className,
                               const char* text,
                               DWORD style,
                               int left,
                               int top,
                               int width,
                               int height,
                               int id) {
    const HWND control =
        CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width, height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

void StandInWindow::OnCreate() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font_ = CreateFontIndirectA(&metrics.lfMessageFont);

    title_ = AddControl("STATIC", "", SS_LEFT, 16, 12, 600, 24, 0);
    AddControl("STATIC", "Répertoire d'installation :", SS_LEFT, 16, 48, 170, 20, 0);
    labelRep_ = AddControl("STATIC", "", SS_LEFT, 190, 48, 430, 20, 0);
    directory_ = AddControl("EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 16, 76, 604, 22, DirectoryId);
    AddControl("BUTTON", "Démarrer l'installation", WS_TABSTOP | BS_PUSHBUTTON, 16, 108, 200, 28, StartId);
    backButton_ = AddControl("BUTTON", "Précédent", WS_TABSTOP | BS_PUSHBUTTON, 228, 108, 100, 28, BackId);
    memo_ = AddControl("EDIT", "", WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                       16, 146, 604, 318, MemoId);
    SendMessageA(memo_, EM_SETLIMITTEXT, 0, 0);
    Run(&InstallerController::FormCreate);
}

void StandInWindow::OnCommand(int controlId, int notification) {
    if (controlId == DirectoryId && notification == EN_CHANGE) {
        DirectoryListBox1Change();
    } else if (controlId == StartId && notification == BN_CLICKED) {
        Run(&InstallerController::BoutInstallerClick);
    }
}

void StandInWindow::Run(void (InstallerController::*handler)()) {
    RunEventHandler([this, handler] { (controller_.*handler)(); },
                    [this](const std::string& text) {
                        FlushLog();
                        application_.ShowFailure(text);
                    });
}

void StandInWindow::FlushLog() {
    if (log_.changed && memo_ != nullptr) {
        SetWindowTextA(memo_, log_.text.c_str());
        SendMessageA(memo_, EM_LINESCROLL, 0, SendMessageA(memo_, EM_GETLINECOUNT, 0, 0));
    }
    log_.changed = false;
}

void StandInWindow::SetTitleLabel(const std::string& text) {
    SetWindowTextA(title_, text.c_str());
}

void StandInWindow::SetDrive(char letter) {
    drive_ = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const std::string root = std::string(1, drive_) + ":\\";
    SetWindowTextA(directory_, root.c_str());  // notifies EN_CHANGE, which refreshes LabelRep
}

void StandInWindow::DirectoryListBox1Change() {
    const std::string directory = WindowText(directory_);
    const bool endsWithSeparator = !directory.empty() && directory.back() == '\\';
    const std::string text = directory + (endsWithSeparator ? "Quibel" : "\\Quibel");
    SetWindowTextA(labelRep_, text.c_str());
}

std::string StandInWindow::InstallDirectory() {
    return WindowText(labelRep_);
}

void StandInWindow::DisableBackButton() {
    EnableWindow(backButton_, FALSE);
}

void StandInWindow::ClearLog() {
    log_.text.clear();
    log_.changed = true;
}

void StandInWindow::ShowMessage(const std::string& text) {
    FlushLog();
    application_.ShowMessage(text);
}

void StandInWindow::Close() {
    // The loop ends; the window itself is destroyed later, after COM has been released.
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

}  // namespace quibel
