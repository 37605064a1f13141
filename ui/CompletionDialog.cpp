#include "ui/CompletionDialog.h"

#include <algorithm>

#include "ui/ControlIds.h"
#include "ui/Gdi.h"
#include "ui/ResourceText.h"
#include "ui/ThreadWindows.h"
#include "ui/UiResources.h"

namespace quibel {

namespace {

constexpr int TextId = 0xFFFF;

// Dialog units of a font: a quarter of the average letter width across, an eighth of the text height down.
struct DialogUnits {
    int baseX;
    int baseY;
    int X(int units) const { return MulDiv(units, baseX, 4); }
    int Y(int units) const { return MulDiv(units, baseY, 8); }
};

DialogUnits UnitsOf(HDC dc) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32A(dc, letters, 52, &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    return {size.cx / 52, metrics.tmHeight};
}

FontHandle MessageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Systems before Vista know the structure without its last field.
        metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    }
    return FontHandle(CreateFontIndirectA(&metrics.lfMessageFont));
}

struct Layout {
    RECT text;
    RECT button;
    SIZE client;
};

constexpr UINT TextFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

Layout LayOut(HFONT font, const std::string& text, const std::string& buttonCaption) {
    const WindowDC screen(nullptr);
    const Selection selected(screen.Get(), font);
    const DialogUnits units = UnitsOf(screen.Get());

    RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &textRect, DT_CALCRECT | TextFormat);
    SIZE caption{};
    GetTextExtentPoint32A(screen.Get(), buttonCaption.c_str(), static_cast<int>(buttonCaption.size()), &caption);

    const int marginX = units.X(8);
    const int marginY = units.Y(8);
    const int buttonWidth = std::max<int>(units.X(50), caption.cx + 8);
    const int buttonHeight = units.Y(14);
    const int textWidth = textRect.right - textRect.left;
    const int textHeight = textRect.bottom - textRect.top;

    Layout layout;
    layout.client.cx = std::max(textWidth, buttonWidth) + 2 * marginX;
    layout.client.cy = textHeight + buttonHeight + units.Y(10) + 2 * marginY;
    layout.text = {marginX, marginY, marginX + textWidth, marginY + textHeight};
    const int buttonLeft = (layout.client.cx - buttonWidth) / 2;
    const int buttonTop = marginY + textHeight + units.Y(10);
    layout.button = {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + buttonHeight};
    return layout;
}

struct DialogState {
    bool closed = false;
};

LRESULT CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (message) {
        case WM_COMMAND:
            if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && state != nullptr) {
                state->closed = true;
            }
            return 0;
        case WM_CLOSE:
            if (state != nullptr) {
                state->closed = true;
            }
            return 0;
    }
    return DefWindowProcA(dialog, message, wParam, lParam);
}

void RegisterDialogClass(HINSTANCE instance) {
    WNDCLASSA dialogClass{};
    dialogClass.lpfnWndProc = DialogProcedure;
    dialogClass.hInstance = instance;
    dialogClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    dialogClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    dialogClass.lpszClassName = MessageDialogClassName;
    RegisterClassA(&dialogClass);
}

// Puts the text on the clipboard as CF_TEXT; the memory belongs to the clipboard once it took it.
void PutOnClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) {
        return;
    }
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory != nullptr) {
        auto* bytes = static_cast<char*>(GlobalLock(memory));
        std::copy(text.begin(), text.end(), bytes);
        bytes[text.size()] = '\0';
        GlobalUnlock(memory);
        if (SetClipboardData(CF_TEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

bool ControlOnly() {
    return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0;
}

// The dialog's own keys: Enter and Escape close it (its one button is default and cancel), Ctrl+C copies it.
bool HandleKey(const MSG& message, HWND dialog, DialogState& state, const std::string& clipboardText) {
    if (message.message != WM_KEYDOWN || (message.hwnd != dialog && !IsChild(dialog, message.hwnd))) {
        return false;
    }
    if (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE) {
        state.closed = true;
        return true;
    }
    if (message.wParam == 'C' && ControlOnly()) {
        MessageBeep(0);
        PutOnClipboard(dialog, clipboardText);
        return true;
    }
    return false;
}

}  // namespace

std::string MessageClipboardText(const std::string& caption,
                                 const std::string& text,
                                 const std::vector<std::string>& buttons) {
    const std::string rule = std::string(27, '-') + "\r\n";
    std::string result = rule + caption + "\r\n" + rule + text + "\r\n" + rule;
    for (const std::string& button : buttons) {
        result += button + "   ";
    }
    return result + "\r\n" + rule;
}

namespace {

// The dialog window with its text and its button, centred on the screen; not shown yet.
HWND CreateDialogWindow(HINSTANCE instance,
                        HWND owner,
                        HFONT font,
                        const Layout& layout,
                        const std::string& caption,
                        const std::string& text,
                        const std::string& okCaption) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;  // no icon in the caption bar
    RECT frame{0, 0, layout.client.cx, layout.client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const HWND dialog = CreateWindowExA(
        exStyle, MessageDialogClassName, caption.c_str(), style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, owner, nullptr, instance, nullptr);
    const auto addChild = [&](const char* className, const std::string& childText, DWORD childStyle, const RECT& r,
                              int id) {
        const HWND child = CreateWindowExA(0, className, childText.c_str(), WS_CHILD | WS_VISIBLE | childStyle, r.left,
                                           r.top, r.right - r.left, r.bottom - r.top, dialog,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    addChild("STATIC", text, SS_LEFT | SS_NOPREFIX, layout.text, TextId);
    addChild("BUTTON", okCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, layout.button, IDOK);
    return dialog;
}

// Runs the dialog's own message loop until it is closed. A quit message is passed on to the program's loop.
void RunModalLoop(HWND dialog, DialogState& state, const std::string& clipboardText) {
    MSG message;
    while (!state.closed) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
            return;
        }
        if (!HandleKey(message, dialog, state, clipboardText)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

void ShowCompletionMessage(HINSTANCE instance, const std::string& caption, const std::string& text) {
    RegisterDialogClass(instance);
    const std::string okCaption = LoadText(instance, IDS_OK);
    const FontHandle font = MessageFont();
    const Layout layout = LayOut(font.get(), text, okCaption);

    const HWND active = GetActiveWindow();
    ThreadWindowsDisabled disabled;
    const HWND dialog = CreateDialogWindow(instance, active, font.get(), layout, caption, text, okCaption);
    DialogState state;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    ShowWindow(dialog, SW_SHOWNORMAL);
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));

    RunModalLoop(dialog, state, MessageClipboardText(caption, text, {okCaption}));

    disabled.Restore();
    SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
    if (active != nullptr && IsWindow(active)) {
        SetActiveWindow(active);
    }
    DestroyWindow(dialog);
}

}  // namespace quibel
