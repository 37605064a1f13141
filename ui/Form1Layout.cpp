// Building TForm1: the window, its controls at their places and in their fonts, scaled for the screen.
#include "ui/ControlIds.h"
#include "ui/Form1.h"
#include "ui/LayoutScaling.h"
#include "ui/Panel.h"
#include "ui/ResourceText.h"
#include "ui/UiResources.h"

namespace quibel {

namespace {

constexpr COLORREF Cream = RGB(255, 251, 240);
constexpr COLORREF SkyBlue = RGB(166, 202, 240);
constexpr COLORREF Navy = RGB(0, 0, 128);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

// The layout's client size and the window font, for a font whose "0" is 16 px high (ReferenceTextHeight).
constexpr int DesignClientWidth = 1182;
constexpr int DesignClientHeight = 860;
constexpr int WindowFontHeight = 11;
constexpr const char* WindowFontFace = "MS Sans Serif";

constexpr DWORD FormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// The form is owned by the application window, which carries the program's taskbar entry: it has none of its own.
constexpr DWORD FormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

int ScreenDpi() {
    const WindowDC screen(nullptr);
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

}  // namespace

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    // No icon: the dialog frame leaves out only the system's default one, a class icon would show in the caption
    // bar. The program's icon belongs to the taskbar entry.
    WNDCLASSA formClass{};
    formClass.lpfnWndProc = procedure;
    formClass.hInstance = instance;
    formClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    formClass.lpszClassName = Form1ClassName;
    RegisterClassA(&formClass);
}

RECT TForm1::Scaled(int left, int top, int width, int height) const {
    const Bounds bounds = ScaleBounds({left, top, width, height}, measuredHeight_, ReferenceTextHeight);
    return {bounds.left, bounds.top, bounds.left + bounds.width, bounds.top + bounds.height};
}

void TForm1::CreateFonts(int measuredHeight) {
    const auto scaled = [measuredHeight](int height) {
        return ScaleValue(height, measuredHeight, ReferenceTextHeight);
    };
    fonts_.labelRep = MakeFont({WindowFontFace, scaled(16), true, DEFAULT_CHARSET});
    fonts_.label2 = MakeFont({WindowFontFace, scaled(20), false, DEFAULT_CHARSET});
    fonts_.label7 = MakeFont({"Arial", scaled(79), false, ANSI_CHARSET});
    fonts_.label3 = MakeFont({WindowFontFace, scaled(20), true, DEFAULT_CHARSET});
    fonts_.boutInstaller = MakeFont({WindowFontFace, scaled(16), true, DEFAULT_CHARSET});
}

HWND TForm1::AddControl(HWND parent,
                        const char* className,
                        DWORD style,
                        DWORD exStyle,
                        int id,
                        const RECT& bounds,
                        const std::string& text,
                        HFONT font) {
    const HWND control = CreateWindowExA(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left,
                                         bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HWND TForm1::AddLabel(HWND parent, int id, int left, int top, const std::string& text, HFONT font, COLORREF colour) {
    const RECT place = Scaled(left, top, 0, 0);
    const HWND label = AddControl(parent, "STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, id, place, text, font);
    labelColours_.push_back({label, colour});
    AutoSize(label);
    return label;
}

void TForm1::AutoSize(HWND label) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
    const SIZE size = TextExtent(font, WindowText(label));
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(label, nullptr, TRUE);
}

void TForm1::CreateWindowAndControls(HINSTANCE instance) {
    RegisterFormClass(instance, WindowProcedure);
    RegisterPanelClass(instance);

    fonts_.window = MakeFont({WindowFontFace, FontHeightForDpi(WindowFontHeight, ScreenDpi()), false, DEFAULT_CHARSET});
    measuredHeight_ = TextExtent(fonts_.window.get(), "0").cy;
    if (measuredHeight_ <= 0) {
        measuredHeight_ = ReferenceTextHeight;  // no usable font: keep the layout as designed
    }
    CreateFonts(measuredHeight_);
    cream_.reset(CreateSolidBrush(Cream));
    skyBlue_.reset(CreateSolidBrush(SkyBlue));
    logo_.reset(static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_QUIBEL_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

    RECT frame{0, 0, ScaleValue(DesignClientWidth, measuredHeight_, ReferenceTextHeight),
               ScaleValue(DesignClientHeight, measuredHeight_, ReferenceTextHeight)};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, FormExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExA(FormExStyle, Form1ClassName, LoadText(instance, IDS_FORM_CAPTION).c_str(), FormStyle,
                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                    height, application_.Handle(), nullptr, instance, this);
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.window.get()), FALSE);

    const HFONT windowFont = fonts_.window.get();
    LabelRep = AddLabel(window_, LabelRepId, 463, 222, "", fonts_.labelRep.get(), Red);
    Label2 =
        AddLabel(window_, Label2Id, 236, 217, LoadText(instance, IDS_LABEL2), fonts_.label2.get(), SystemWindowText);
    Image1 = AddControl(window_, "STATIC", SS_OWNERDRAW, 0, Image1Id, Scaled(10, 10, 202, 226), "", windowFont);
    Label7 = AddLabel(window_, Label7Id, 404, 49, InstallerController::ProductTitle, fonts_.label7.get(), Navy);
    Label8 = AddLabel(window_, Label8Id, 246, 256, LoadText(instance, IDS_LABEL8), windowFont, SystemWindowText);
    Panel3 =
        CreatePanel(instance, window_, Panel3Id, Scaled(315, 297, 513, 444), GetSysColorBrush(COLOR_BTNFACE), false);
    Panel1 = CreatePanel(instance, window_, Panel1Id, Scaled(326, 314, 494, 356), skyBlue_.get(), true);

    Label3 = AddLabel(Panel1, Label3Id, 39, 10, LoadText(instance, IDS_LABEL3), fonts_.label3.get(), White);
    PickerPlacement placement;
    placement.instance = instance;
    placement.parent = Panel1;
    placement.font = windowFont;
    placement.directoryList = Scaled(89, 79, 336, 227);
    placement.directoryListId = DirectoryListBox1Id;
    placement.driveList = Scaled(39, 49, 336, 22);
    placement.driveListId = DriveComboBox1Id;
    placement.directoryLabel = LabelRep;
    placement.onChange = [this] { DirectoryListBox1Change(); };
    placement.onFailure = [this](const std::exception& failure) { ShowFailure(failure); };
    picker_->Create(placement);
    BoutSuivant1 = AddControl(Panel1, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, BoutSuivant1Id, Scaled(354, 315, 93, 31),
                              LoadText(instance, IDS_BOUT_SUIVANT1), windowFont);

    Label1 = AddLabel(Panel3, Label1Id, 18, 64, LoadText(instance, IDS_LABEL1), windowFont, SystemWindowText);
    BoutInstaller =
        AddControl(Panel3, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, BoutInstallerId, Scaled(145, 20, 221, 30),
                   LoadText(instance, IDS_BOUT_INSTALLER), fonts_.boutInstaller.get());
    Memo1 = AddControl(Panel3, "EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                       Memo1Id, Scaled(10, 79, 484, 306), "", windowFont);
    // The edit control's default limit (about 32 KiB) is far below the log of a large product.
    SendMessageA(Memo1, EM_SETLIMITTEXT, 0, 0);
    BoutPrecedent3 = AddControl(Panel3, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, BoutPrecedent3Id,
                                Scaled(20, 404, 92, 30), LoadText(instance, IDS_BOUT_PRECEDENT3), windowFont);
    AutoSize(LabelRep);
}

}  // namespace quibel
