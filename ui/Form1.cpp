#include "ui/Form1.h"

#include <new>

#include "app/EventHandler.h"
#include "payload/Errors.h"
#include "ui/CompletionDialog.h"
#include "ui/ControlIds.h"
#include "ui/InstallDirectory.h"
#include "ui/Panel.h"

namespace quibel {

void TForm1::BufferedLog::AppendLine(const std::string& line) {
    if (!text.empty()) {
        text += "\r\n";
    }
    text += line;
    changed = true;
}

TForm1::TForm1(HINSTANCE instance,
               ApplicationWindow& application,
               FileSystem& fileSystem,
               InstallerEnvironment environment)
    : instance_(instance),
      application_(application),
      controller_(*this, fileSystem, std::move(environment)),
      picker_(MakeDirectoryPicker()) {
    CreateWindowAndControls(instance);
    Run(&InstallerController::FormCreate);
}

TForm1::~TForm1() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void TForm1::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK TForm1::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // A failure must not unwind through the system's code that called us: whatever message was being handled is
    // abandoned and the failure shown.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        self->ShowFailure(failure);
        return 0;
    }
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The picker gets the first look at its controls' notifications.
    if (picker_ != nullptr && IsChildNotification(message)) {
        std::optional<LRESULT> handled;
        RunGuarded([&] { handled = picker_->OnParentMessage(message, wParam, lParam); });
        if (handled) {
            return *handled;
        }
    }
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, cream_.get());
            return 1;
        }
        case WM_ACTIVATE:
            OnActivate(wParam);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.hwndItem == Image1) {
                DrawLogo(item);
                return TRUE;
            }
            break;
        }
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            Run(&InstallerController::FormDestroy);
            return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void TForm1::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) {
            savedFocus_ = focus;
        }
        return;
    }
    if (HIWORD(wParam) == 0) {  // not minimised
        if (savedFocus_ != nullptr && IsWindow(savedFocus_) && IsWindowVisible(savedFocus_) &&
            IsWindowEnabled(savedFocus_)) {
            SetFocus(savedFocus_);
        } else {
            MoveFocus(TabOrder(), 1);
        }
    }
    // Message boxes and other applications hand the activation back; only the first one counts.
    if (!activated_) {
        activated_ = true;
        Run(&InstallerController::FormActivate);
    }
}

void TForm1::OnCommand(int controlId, int notification) {
    if (notification != BN_CLICKED) {
        return;
    }
    switch (controlId) {
        case BoutSuivant1Id:
            RunGuarded([this] { BoutSuivant1Click(); });
            break;
        case BoutPrecedent3Id:
            RunGuarded([this] { BoutPrecedent3Click(); });
            break;
        case BoutInstallerId:
            Run(&InstallerController::BoutInstallerClick);
            break;
    }
}

LRESULT TForm1::OnControlColour(HDC dc, HWND control) {
    if (control == Memo1) {  // a read-only edit asks as a static control does
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    const HWND parent = GetParent(control);
    const HBRUSH background = parent == window_ ? cream_.get() : PanelBrush(parent);
    COLORREF text = SystemWindowText;
    for (const LabelColours& colours : labelColours_) {
        if (colours.label == control) {
            text = colours.text;
        }
    }
    SetTextColor(dc, text == SystemWindowText ? GetSysColor(COLOR_WINDOWTEXT) : text);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(background);
}

void TForm1::DrawLogo(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, cream_.get());
    if (logo_ == nullptr) {
        return;
    }
    BITMAP bitmap{};
    GetObjectA(logo_.get(), sizeof bitmap, &bitmap);
    const MemoryDC memory(item.hDC);
    const Selection selected(memory.Get(), logo_.get());
    // Drawn at its own size at the top-left of its area; the colour of its bottom-left pixel is not drawn.
    const COLORREF transparent = GetPixel(memory.Get(), 0, bitmap.bmHeight - 1);
    GdiTransparentBlt(item.hDC, item.rcItem.left, item.rcItem.top, bitmap.bmWidth, bitmap.bmHeight, memory.Get(), 0, 0,
                      bitmap.bmWidth, bitmap.bmHeight, transparent);
}

void TForm1::DirectoryListBox1Change() {
    SetWindowTextA(LabelRep, InstallDirectoryFor(picker_->Directory()).c_str());
    AutoSize(LabelRep);
}

void TForm1::BoutSuivant1Click() {
    ShowWindow(Panel1, SW_HIDE);
    ShowWindow(Panel3, SW_SHOW);
    FocusFirstOn(Panel3);
}

void TForm1::BoutPrecedent3Click() {
    ShowWindow(Panel3, SW_HIDE);
    ShowWindow(Panel1, SW_SHOW);
    FocusFirstOn(Panel1);
}

void TForm1::SetTitleLabel(const std::string& text) {
    SetWindowTextA(Label7, text.c_str());
    AutoSize(Label7);
}

void TForm1::SetDrive(char letter) {
    picker_->SetDrive(letter);
}

char TForm1::Drive() {
    return picker_->Drive();
}

std::string TForm1::InstallDirectory() {
    return WindowText(LabelRep);
}

void TForm1::DisableBackButton() {
    EnableWindow(BoutPrecedent3, FALSE);
}

void TForm1::ClearLog() {
    log_.text.clear();
    log_.changed = true;
}

void TForm1::ShowMessage(const std::string& text) {
    FlushLog();
    ShowCompletionMessage(instance_, application_.Title(), text);
}

void TForm1::ShowFailureDisplay(const std::string& text) {
    FlushLog();
    application_.ShowFailure(text);
}

void TForm1::Close() {
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

void TForm1::Run(void (InstallerController::*handler)()) {
    RunGuarded([this, handler] { (controller_.*handler)(); });
}

void TForm1::RunGuarded(const std::function<void()>& handler) {
    RunEventHandler(handler, [this](const std::string& text) { ShowFailureDisplay(text); });
    FlushLog();
}

void TForm1::ShowFailure(const std::exception& failure) {
    RunGuarded([&failure] {
        if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
            throw std::bad_alloc();
        }
        throw Exception(failure.what());
    });
}

void TForm1::FlushLog() {
    if (log_.changed && Memo1 != nullptr) {
        log_.changed = false;
        SetWindowTextA(Memo1, log_.text.c_str());
        // Lines are appended at the end, and the end is what shows, as after each line appended: behind the
        // message stand the run's last lines (the closing lines, or the line of the step that failed).
        const auto end = static_cast<WPARAM>(log_.text.size());
        SendMessageA(Memo1, EM_SETSEL, end, static_cast<LPARAM>(end));
        SendMessageA(Memo1, EM_SCROLLCARET, 0, 0);
    }
}

void RunMessageLoop(TForm1& form) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!form.PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace quibel
