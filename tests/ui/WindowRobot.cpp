// Drives the installer's window as a user would, from a process of its own, and checks what it shows.
//   window_robot run OUTDIR STARTDIR TREELINES TOTALLINES
//                                               a whole installation into STARTDIR\target: the tree's lines,
//                                               the two closing lines, the speech engine's lines
//   window_robot failure OUTDIR STARTDIR        a run into STARTDIR\blocked, whose "Quibel" is a file
//   window_robot layout OUTDIR SHOT.bmp         the layout alone (on a screen of another resolution)
//   window_robot createfailure SETUP.exe DIR    starts the installer in DIR with a failure in FormCreate, then
//                                               runs an installation into DIR
//   window_robot demo OUTDIR                    an installation into the directory the picker starts in, as the
//                                               run command shows it without a display (first-page.bmp,
//                                               install-page.bmp, completion.bmp of the window alone)
// OUTDIR receives screenshots (page1.bmp, page2.bmp, completion.bmp, failure.bmp). Exit code: failed checks.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/RobotSupport.h"
#include "ui/ControlIds.h"

using namespace quibel;
using namespace quibel::robot;

namespace {

const std::string ApplicationTitle = "installateur Quibel 3";
constexpr COLORREF Cream = RGB(255, 251, 240);
constexpr COLORREF SkyBlue = RGB(166, 202, 240);
constexpr COLORREF Navy = RGB(0, 0, 128);
constexpr COLORREF Red = RGB(255, 0, 0);

// The layout as designed for a window font whose "0" is 16 px high; labels size themselves to their text.
struct Expected {
    const char* name;
    int id;
    int parentId;  // 0: the window
    int left, top, width, height;
    const char* text;  // nullptr: not checked here
    // Labels: the font that sizes them (a height of 11: the window font).
    const char* face;
    int fontHeight;
    bool bold;
    BYTE charSet;
};

const Expected Layout[] = {
    {"LabelRep", LabelRepId, 0, 463, 222, 0, 0, nullptr, "MS Sans Serif", 16, true, DEFAULT_CHARSET},
    {"Label2", Label2Id, 0, 236, 217, 0, 0, "Répertoire d'installation :", "MS Sans Serif", 20, false, DEFAULT_CHARSET},
    {"Image1", Image1Id, 0, 10, 10, 202, 226, nullptr, nullptr, 0, false, 0},
    {"Label7", Label7Id, 0, 404, 49, 0, 0, "Quibel 4.1", "Arial", 79, false, ANSI_CHARSET},
    {"Label8", Label8Id, 0, 246, 256, 0, 0,
     "(L'installation de Quibel créera automatiquement un sous-répertoire Quibel) ", "MS Sans Serif", 11, false,
     DEFAULT_CHARSET},
    {"Panel3", Panel3Id, 0, 315, 297, 513, 444, nullptr, nullptr, 0, false, 0},
    {"Panel1", Panel1Id, 0, 326, 314, 494, 356, nullptr, nullptr, 0, false, 0},
    {"Label3", Label3Id, Panel1Id, 39, 10, 0, 0, "Choix du répertoire d'installation", "MS Sans Serif", 20, true,
     DEFAULT_CHARSET},
    {"DirectoryListBox1", DirectoryListBox1Id, Panel1Id, 89, 79, 336, 227, nullptr, nullptr, 0, false, 0},
    // A drop-down list's height is the system's: only its place and width are checked.
    {"DriveComboBox1", DriveComboBox1Id, Panel1Id, 39, 49, 336, -1, nullptr, nullptr, 0, false, 0},
    {"BoutSuivant1", BoutSuivant1Id, Panel1Id, 354, 315, 93, 31, "Suivant", nullptr, 0, false, 0},
    {"Label1", Label1Id, Panel3Id, 18, 64, 0, 0, "Fichiers installés :", "MS Sans Serif", 11, false, DEFAULT_CHARSET},
    {"BoutInstaller", BoutInstallerId, Panel3Id, 145, 20, 221, 30, "Démarrer l'installation", nullptr, 0, false, 0},
    {"Memo1", Memo1Id, Panel3Id, 10, 79, 484, 306, "", nullptr, 0, false, 0},
    {"BoutPrecedent3", BoutPrecedent3Id, Panel3Id, 20, 404, 92, 30, "Précédent", nullptr, 0, false, 0},
};

// Rounded multiply-then-divide, the window's scaling rule, written again here from its description.
int Scale(int value, int measured) {
    return (value * measured + 8) / 16;
}

struct Window {
    HWND main = nullptr;
    HWND control[BoutPrecedent3Id + 1] = {};
    HWND operator[](int id) const { return control[id]; }
};

Window FindInstallerWindow() {
    Window window;
    WaitFor([&] { return (window.main = FindTopLevel("TForm1", "Installation")) != nullptr; }, 60000);
    if (!Check(window.main != nullptr, "the window TForm1 \"Installation\" appears")) {
        return window;
    }
    // The window is found inside its creation: wait until it is shown with its label set.
    WaitFor([&] { return IsWindowVisible(window.main) && !Text(GetDlgItem(window.main, LabelRepId)).empty(); });
    for (const Expected& e : Layout) {
        const HWND parent = e.parentId == 0 ? window.main : window.control[e.parentId];
        window.control[e.id] = ChildById(parent, e.id);
        Check(window.control[e.id] != nullptr, std::string(e.name) + " is a child window of its own");
    }
    return window;
}

// The window font's character height: 11 px, times the screen's resolution over 96.
int WindowFontHeight() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi == 96 ? 11 : (11 * dpi + 48) / 96;
}

// The measured height of "0" in the window font.
int MeasuredTextHeight() {
    return TextSize("MS Sans Serif", WindowFontHeight(), false, DEFAULT_CHARSET, "0").cy;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Drive letters compare without regard to case: Wine keeps the case that the picker used.
bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && (a.empty() || (std::tolower(static_cast<unsigned char>(a[0])) ==
                                                      std::tolower(static_cast<unsigned char>(b[0])) &&
                                                  a.substr(1) == b.substr(1)));
}

void CheckLayout(const Window& window) {
    const int m = MeasuredTextHeight();
    std::printf("window font: %d px, its \"0\" measures %d px\n", WindowFontHeight(), m);
    RECT client{};
    GetClientRect(window.main, &client);
    Check(client.right == Scale(1182, m) && client.bottom == Scale(860, m),
          "client area " + std::to_string(client.right) + "x" + std::to_string(client.bottom) + " is 1182x860 scaled");
    const RECT frame = [&] {
        RECT r{};
        GetWindowRect(window.main, &r);
        return r;
    }();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // The window manager may move a window by its own frame; allow its few pixels.
    Check(std::abs((frame.left + frame.right) / 2 - screenWidth / 2) <= 8 &&
              std::abs((frame.top + frame.bottom) / 2 - screenHeight / 2) <= 16,
          "the window is centred on the screen");

    for (const Expected& e : Layout) {
        const HWND control = window[e.id];
        if (control == nullptr) {
            continue;
        }
        const RECT place = PlaceInParent(control);
        const std::string name = e.name;
        const int left = Scale(e.left, m);
        const int top = Scale(e.top, m);
        Check(place.left == left && place.top == top, name + " at (" + std::to_string(place.left) + "," +
                                                          std::to_string(place.top) + "), expected (" +
                                                          std::to_string(left) + "," + std::to_string(top) + ")");
        int width = Scale(e.left + e.width, m) - left;
        int height = Scale(e.top + e.height, m) - top;
        if (e.face != nullptr) {
            // A label: its own font, scaled like the layout, gives its size.
            const int fontHeight = e.fontHeight == 11 ? WindowFontHeight() : Scale(e.fontHeight, m);
            const SIZE size = TextSize(e.face, fontHeight, e.bold, e.charSet, Text(control));
            width = size.cx;
            height = size.cy;
        }
        const int actualWidth = place.right - place.left;
        const int actualHeight = place.bottom - place.top;
        Check(actualWidth == width && (e.height < 0 || actualHeight == height),
              name + " is " + std::to_string(actualWidth) + "x" + std::to_string(actualHeight) + ", expected " +
                  std::to_string(width) + "x" + std::to_string(e.height < 0 ? actualHeight : height));
        if (e.text != nullptr && e.id != Memo1Id) {
            Check(Text(control) == e.text, name + " reads \"" + Text(control) + "\"");
        }
    }
}

bool Near(COLORREF actual, COLORREF expected) {
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= 2 &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= 2 &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= 2;
}

std::string Colour(COLORREF colour) {
    char text[32];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

int CountPixels(const ScreenShot& shot, const RECT& area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += shot.Pixel(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

RECT OnScreen(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    return r;
}

void CheckDirectoryPagePixels(const Window& window, const ScreenShot& shot) {
    // The logo: white parts show the cream background, drawn parts their colour. Its top-left corner and the hole
    // of its ring are white; the top of the ring is navy.
    const RECT logo = OnScreen(window[Image1Id]);
    const COLORREF corner = shot.Pixel(logo.left + 1, logo.top + 1);
    Check(Near(corner, Cream), "the logo's white corner shows cream (" + Colour(corner) + ")");
    const COLORREF hole = shot.Pixel(logo.left + 82, logo.top + 74);
    Check(Near(hole, Cream), "the hole of the logo's ring shows cream (" + Colour(hole) + ")");
    const COLORREF ring = shot.Pixel(logo.left + 82, logo.top + 20);
    Check(Near(ring, Navy), "the logo's ring is drawn navy (" + Colour(ring) + ")");
    const COLORREF below = shot.Pixel(logo.left + 82, logo.top + 190);
    Check(Near(below, Cream), "the logo is not stretched: cream below its 184 rows (" + Colour(below) + ")");

    const RECT page = OnScreen(window[Panel1Id]);
    const COLORREF blue = shot.Pixel(page.left + 6, (page.top + OnScreen(window[DriveComboBox1Id]).top) / 2 + 12);
    Check(Near(blue, SkyBlue), "the directory page is sky blue (" + Colour(blue) + ")");
    const COLORREF window_ = shot.Pixel(OnScreen(window.main).left + 4, page.bottom + 20);
    Check(Near(window_, Cream), "the window is cream (" + Colour(window_) + ")");

    const RECT label = OnScreen(window[LabelRepId]);
    const int red = CountPixels(shot, label, Red);
    Check(red > 40, "LabelRep is written in red (" + std::to_string(red) + " red pixels)");
}

bool PageShown(const Window& window, int visibleId, int hiddenId) {
    return IsWindowVisible(window[visibleId]) && !IsWindowVisible(window[hiddenId]);
}

void Save(const ScreenShot& shot, const std::string& outDir, const char* name) {
    Check(shot.Save(outDir + "\\" + name), std::string("screenshot ") + name + " saved");
}

// Keyboard: Tab and Shift+Tab through the visible controls, wrapping; arrows move on from a button; Escape
// does nothing.
void CheckKeyboard(const Window& window) {
    const auto focusBecomes = [&](int id) { return WaitFor([&] { return FocusOf(window.main) == window[id]; }, 3000); };
    PressKey(VK_ESCAPE);
    Sleep(300);
    Check(IsWindowVisible(window.main) && PageShown(window, Panel1Id, Panel3Id), "Escape on the window does nothing");
    PressKey(VK_TAB);
    Check(focusBecomes(DriveComboBox1Id), "Tab: the drive list follows the directory list");
    PressKey(VK_TAB);
    Check(focusBecomes(BoutSuivant1Id), "Tab: then \"Suivant\"");
    PressKey(VK_TAB);
    Check(focusBecomes(DirectoryListBox1Id), "Tab wraps to the directory list (the hidden page is skipped)");
    PressKey(VK_TAB, true);
    Check(focusBecomes(BoutSuivant1Id), "Shift+Tab wraps back to \"Suivant\"");
    PressKey(VK_RIGHT);
    Check(focusBecomes(DirectoryListBox1Id), "Right arrow on a button: next control of the page, wrapping");
    PressKey(VK_UP);
    Sleep(200);
    Check(FocusOf(window.main) == window[DirectoryListBox1Id], "the list keeps its own arrow keys");
    PressKey(VK_TAB, true);
    Check(focusBecomes(BoutSuivant1Id), "Shift+Tab back to \"Suivant\"");
}

struct TaskbarSearch {
    DWORD process = 0;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTaskbarWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TaskbarSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        search.found.push_back(window);
    }
    return TRUE;
}

// The visible top-level windows of the installer's process that have no owner: its taskbar entries.
std::vector<HWND> TaskbarWindows(HWND form) {
    TaskbarSearch search;
    GetWindowThreadProcessId(form, &search.process);
    EnumWindows(CollectTaskbarWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND TaskbarWindow(HWND form) {
    const std::vector<HWND> entries = TaskbarWindows(form);
    return entries.size() == 1 ? entries[0] : nullptr;
}

// The program's taskbar entry is the application window: titled with the application title, owner of the form,
// which has no entry of its own. Minimised from the taskbar it takes the form with it; restored, it brings it back
// with the focus where it was; Alt+Space opens its system menu. The script reads what the X side shows meanwhile
// (TASKBAR_READY, OUTDIR\xprop.done).
void CheckTaskbarEntry(const Window& window, const std::string& outDir) {
    const std::vector<HWND> entries = TaskbarWindows(window.main);
    Check(entries.size() == 1, "the process has one taskbar window (" + std::to_string(entries.size()) + ")");
    const HWND application = entries.empty() ? nullptr : entries[0];
    Check(Text(application) == ApplicationTitle, "the taskbar window reads \"" + Text(application) + "\"");
    Check(application != nullptr && GetWindow(window.main, GW_OWNER) == application,
          "the form is owned by the taskbar window");
    Check((GetWindowLongA(window.main, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0, "the form asks for no taskbar entry");
    std::printf("TASKBAR_READY\n");
    std::fflush(stdout);
    Check(WaitFor([&] { return GetFileAttributesA((outDir + "\\xprop.done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                  30000),
          "the script has read the X side");

    PressKey(VK_TAB);
    Check(WaitFor([&] { return FocusOf(window.main) == window[DriveComboBox1Id]; }, 3000),
          "Tab puts the focus on the drive list");
    PostMessageA(application, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Check(WaitFor([&] { return !IsWindowVisible(window.main) && IsIconic(application); }, 5000),
          "minimising the taskbar window hides the form");
    PostMessageA(application, WM_SYSCOMMAND, SC_RESTORE, 0);
    Check(WaitFor([&] { return IsWindowVisible(window.main) && !IsIconic(application); }, 5000),
          "restoring it brings the form back");
    Check(WaitFor([&] { return FocusOf(window.main) == window[DriveComboBox1Id]; }, 3000),
          "with the focus back on the drive list");
    BringToFront(window.main);
    PressKey(VK_TAB, true);
    Check(WaitFor([&] { return FocusOf(window.main) == window[DirectoryListBox1Id]; }, 3000),
          "Shift+Tab goes back to the directory list");

    // WM_SYSCOMMAND's lParam is the key of a keyboard menu command: Alt+Space drops the system menu down.
    PostMessageA(application, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    Check(WaitFor([&] { return FindTopLevel("#32768") != nullptr; }, 3000),
          "Alt+Space on the taskbar window opens its system menu");
    PostMessageA(application, WM_CANCELMODE, 0, 0);  // ends the menu's loop
    Check(WaitFor([&] { return FindTopLevel("#32768") == nullptr; }, 3000), "the menu closes");
    BringToFront(window.main);
    Check(WaitFor([&] { return FocusOf(window.main) == window[DirectoryListBox1Id]; }, 3000),
          "the focus is back on the directory list");
}

bool EnterDirectory(const Window& window, const std::string& name) {
    const HWND list = window[DirectoryListBox1Id];
    const std::vector<std::string> items = ListItems(list);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (Lower(items[i]) == Lower(name)) {
            SendMessageA(list, LB_SETCURSEL, i, 0);
            PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(DirectoryListBox1Id, LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(list));
            return true;
        }
    }
    return false;
}

struct PickerState {
    std::string label;
    std::string drive;
    std::vector<std::string> directories;
    std::string log;
    bool operator==(const PickerState&) const = default;
};

PickerState StateOf(const Window& window) {
    PickerState state;
    state.label = Text(window[LabelRepId]);
    const HWND drives = window[DriveComboBox1Id];
    const LRESULT selected = SendMessageW(drives, CB_GETCURSEL, 0, 0);
    std::wstring drive(static_cast<std::size_t>(SendMessageW(drives, CB_GETLBTEXTLEN, selected, 0) + 1), L'\0');
    SendMessageW(drives, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(drive.data()));
    state.drive = std::to_string(selected) + ":" + std::string(drive.begin(), drive.begin() + 2);
    state.directories = ListItems(window[DirectoryListBox1Id]);
    state.log = Text(window[Memo1Id]);
    return state;
}

std::string ClipboardText() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (const HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const auto* chars = static_cast<const char*>(GlobalLock(data))) {
                text = chars;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 2;
    }
    return lines;
}

// The completion dialog's layout, worked out again from its rule: dialog units of the system's message font, 8-unit
// margins, 10 units above the button row, a button of 14 units high and at least 50 wide, the text wrapped within
// half the screen's width.
void CheckCompletionLayout(HWND dialog, const std::string& text) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    const HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE letters{};
    GetTextExtentPoint32A(screen, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    TEXTMETRICA tm{};
    GetTextMetricsA(screen, &tm);
    RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    DrawTextA(screen, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SIZE ok{};
    GetTextExtentPoint32A(screen, "OK", 2, &ok);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);

    const auto x = [&](int units) { return MulDiv(units, letters.cx / 52, 4); };
    const auto y = [&](int units) { return MulDiv(units, tm.tmHeight, 8); };
    const int textWidth = textRect.right;
    const int textHeight = textRect.bottom;
    const int buttonWidth = std::max<int>(x(50), ok.cx + 8);
    const int buttonHeight = y(14);
    const int clientWidth = std::max(textWidth, buttonWidth) + 2 * x(8);
    const int clientHeight = textHeight + buttonHeight + y(10) + 2 * y(8);

    RECT client{};
    GetClientRect(dialog, &client);
    Check(client.right == clientWidth && client.bottom == clientHeight,
          "the dialog's client area is " + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
              ", expected " + std::to_string(clientWidth) + "x" + std::to_string(clientHeight));
    const RECT button = PlaceInParent(GetDlgItem(dialog, IDOK));
    Check(button.left == (clientWidth - buttonWidth) / 2 && button.top == y(8) + textHeight + y(10) &&
              button.right - button.left == buttonWidth && button.bottom - button.top == buttonHeight,
          "its button is centred below the text, " + std::to_string(buttonWidth) + "x" + std::to_string(buttonHeight));
    const RECT label = PlaceInParent(GetDlgItem(dialog, 0xFFFF));
    Check(label.left == x(8) && label.top == y(8) && label.right - label.left == textWidth &&
              label.bottom - label.top == textHeight,
          "its text sits at the top-left margin");
}

void CheckCompletionDialog(const Window& window, HWND dialog, const std::string& outDir) {
    Check(Text(dialog) == ApplicationTitle, "the completion dialog has the application title");
    Check(Text(GetDlgItem(dialog, 0xFFFF)) == "Installation terminée", "it says \"Installation terminée\"");
    CheckCompletionLayout(dialog, "Installation terminée");
    const HWND ok = GetDlgItem(dialog, IDOK);
    Check(ok != nullptr && Text(ok) == "OK", "its one button is \"OK\"");
    Check((GetWindowLongA(ok, GWL_STYLE) & BS_DEFPUSHBUTTON) != 0, "\"OK\" is the default button");
    Check(!IsWindowEnabled(window.main), "the window is disabled while the dialog is open");
    RECT r{};
    GetWindowRect(dialog, &r);
    Check(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2) <= 8,
          "the dialog is centred across the screen");
    Check((GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0, "the dialog has a dialog frame");

    const std::string rule = std::string(27, '-') + "\r\n";
    const std::string expected =
        rule + ApplicationTitle + "\r\n" + rule + "Installation terminée\r\n" + rule + "OK   \r\n" + rule;
    // Keys go to the foreground window; on a loaded machine the window manager may hand it over late.
    bool copied = false;
    for (int attempt = 0; attempt < 3 && !copied; ++attempt) {
        BringToFront(dialog);
        PressKey('C', false, true);
        copied = WaitFor([&] { return ClipboardText() == expected; }, 3000);
    }
    Check(copied, "Ctrl+C puts the dialog's text on the clipboard: [" + ClipboardText() + "]");
    Save(ScreenShot(), outDir, "completion.bmp");
}

int Run(const std::string& outDir, const std::string& startDir, int treeLines, int totalLines) {
    const Window window = FindInstallerWindow();
    if (window.main == nullptr) {
        return Failures();
    }
    BringToFront(window.main);
    Check(WaitFor([&] { return FocusOf(window.main) == window[DirectoryListBox1Id]; }),
          "the directory list has the keyboard focus at first display");
    Check(PageShown(window, Panel1Id, Panel3Id), "the directory page is shown, the install page hidden");
    const std::string label = Text(window[LabelRepId]);
    Check(SamePath(label, startDir + "\\Quibel"), "LabelRep reads the picker's directory + \\Quibel: " + label);
    CheckLayout(window);
    Sleep(300);  // let the window paint
    const ScreenShot page1;
    Save(page1, outDir, "page1.bmp");
    CheckDirectoryPagePixels(window, page1);
    CheckTaskbarEntry(window, outDir);
    CheckKeyboard(window);

    Check(EnterDirectory(window, "target"), "the directory list shows the subdirectory \"target\"");
    Check(WaitFor([&] { return SamePath(Text(window[LabelRepId]), startDir + "\\target\\Quibel"); }),
          "entering it sets LabelRep to " + Text(window[LabelRepId]));
    const PickerState before = StateOf(window);

    // "Suivant" by Enter on the focused button.
    PressKey(VK_RETURN);
    Check(WaitFor([&] { return PageShown(window, Panel3Id, Panel1Id); }),
          "Enter on \"Suivant\" shows the install page");
    Sleep(300);
    const ScreenShot page2;
    Save(page2, outDir, "page2.bmp");
    const RECT page = OnScreen(window[Panel3Id]);
    Check(Near(page2.Pixel(page.left + 6, page.top + 6), GetSysColor(COLOR_BTNFACE)),
          "the install page has the button-face colour");
    Check(IsWindowEnabled(window[BoutPrecedent3Id]), "\"Précédent\" is enabled before a run");

    PostMessageA(window[BoutPrecedent3Id], BM_CLICK, 0, 0);
    Check(WaitFor([&] { return PageShown(window, Panel1Id, Panel3Id); }), "\"Précédent\" shows the directory page");
    Check(StateOf(window) == before, "drive, directory, label and log are kept");
    PostMessageA(window[BoutSuivant1Id], BM_CLICK, 0, 0);
    Check(WaitFor([&] { return PageShown(window, Panel3Id, Panel1Id); }), "\"Suivant\" shows the install page again");
    Check(StateOf(window) == before, "drive, directory, label and log are still the same");

    // Start with the keyboard: the focus is on the start button of the page just shown.
    BringToFront(window.main);
    Check(WaitFor([&] { return FocusOf(window.main) == window[BoutInstallerId]; }, 3000),
          "the start button has the focus on the install page");
    PressKey(VK_RETURN);
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindTopLevel(MessageDialogClassName, ApplicationTitle)) != nullptr; }, 180000);
    if (!Check(dialog != nullptr, "the completion message appears")) {
        return Failures();
    }
    const std::string log = Text(window[Memo1Id]);
    const std::vector<std::string> lines = Lines(log);
    std::printf("log: %zu lines, %zu bytes\n", lines.size(), log.size());
    Check(static_cast<int>(lines.size()) == totalLines,
          "the log holds every line: " + std::to_string(totalLines) + " expected");
    Check(!lines.empty() && lines.front().rfind("Répertoire ", 0) == 0, "the log begins with a directory line");
    const auto at = [&lines](int index) { return index < static_cast<int>(lines.size()) ? lines[index] : ""; };
    Check(at(treeLines) == "Installation terminée" && at(treeLines + 1) == "Création d'un raccourci sur le bureau",
          "the two closing lines follow the tree's lines");
    bool entries = true;
    for (int i = treeLines + 2; i < static_cast<int>(lines.size()); ++i) {
        entries = entries && (lines[i].rfind("Répertoire ", 0) == 0 || lines[i].rfind("Fichier ", 0) == 0);
    }
    Check(entries, "then come the speech engine's lines, if any");
    const HWND memo = window[Memo1Id];
    const auto lastPosition = SendMessageA(memo, EM_POSFROMCHAR, static_cast<WPARAM>(log.size() - 1), 0);
    RECT memoClient{};
    GetClientRect(memo, &memoClient);
    const int lastTop = static_cast<short>(HIWORD(lastPosition));
    Check(lastPosition != -1 && lastTop >= 0 && lastTop < memoClient.bottom,
          "the log shows its last line (at y " + std::to_string(lastTop) + ")");
    Check(!IsWindowEnabled(window[BoutPrecedent3Id]), "\"Précédent\" is disabled by the run");
    CheckCompletionDialog(window, dialog, outDir);

    BringToFront(dialog);
    PressKey(VK_ESCAPE);
    Check(WaitFor([&] { return !IsWindow(dialog); }, 5000), "Escape closes the completion message");
    Check(WaitFor([&] { return !IsWindow(window.main); }, 10000), "then the window closes");
    return Failures();
}

int Failure(const std::string& outDir, const std::string& startDir) {
    const Window window = FindInstallerWindow();
    if (window.main == nullptr) {
        return Failures();
    }
    Check(EnterDirectory(window, "blocked"), "the directory list shows the subdirectory \"blocked\"");
    Check(WaitFor([&] { return SamePath(Text(window[LabelRepId]), startDir + "\\blocked\\Quibel"); }),
          "LabelRep reads " + Text(window[LabelRepId]));
    PostMessageA(window[BoutSuivant1Id], BM_CLICK, 0, 0);
    Check(WaitFor([&] { return PageShown(window, Panel3Id, Panel1Id); }), "\"Suivant\" shows the install page");
    PostMessageA(window[BoutInstallerId], BM_CLICK, 0, 0);

    HWND box = nullptr;
    WaitFor([&] { return (box = FindTopLevel("#32770", ApplicationTitle)) != nullptr; }, 60000);
    if (!Check(box != nullptr, "the failure display appears with the application title")) {
        return Failures();
    }
    const std::string message = Text(GetDlgItem(box, 0xFFFF));
    std::printf("failure message: %s\n", message.c_str());
    Check(GetDlgItem(box, 1088) != nullptr && IsWindowVisible(GetDlgItem(box, 1088)), "it shows the stop icon");
    Check(message.size() > 1 && message.back() == '.' && message[message.size() - 2] != '.',
          "its text ends with one \".\"");
    // The tree's top directory is the install directory itself, which exists as a file: error 183 has no text of
    // its own, and the display adds the final "." after the code.
    Check(message == "Erreur E/S 183.", "it shows the directory failure with a final \".\"");
    Check(GetDlgItem(box, IDOK) != nullptr, "it has an OK button");
    Check(GetWindow(box, GW_OWNER) == TaskbarWindow(window.main), "it is owned by the application window");
    Check(!IsWindowEnabled(window.main), "the window is disabled while the box is open");
    Sleep(200);
    Save(ScreenShot(), outDir, "failure.bmp");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    Check(WaitFor([&] { return !IsWindow(box); }), "OK closes the box");

    Check(WaitFor([&] { return IsWindowEnabled(window.main); }), "the window is enabled again and stays open");
    Check(IsWindowVisible(window.main) && PageShown(window, Panel3Id, Panel1Id), "the install page is still shown");
    Check(!IsWindowEnabled(window[BoutPrecedent3Id]), "\"Précédent\" stays disabled");
    Check(IsWindowEnabled(window[BoutInstallerId]), "the start button stays enabled");
    Check(WaitFor([&] { return FocusOf(window.main) == window[BoutInstallerId]; }, 3000),
          "the focus is back on the start button");

    PostMessageA(window.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(WaitFor([&] { return !IsWindow(window.main); }), "the close box ends the program");
    return Failures();
}

// On a screen of another resolution: the layout for the font measured there, and a picture of it.
int LayoutOnly(const std::string& outDir, const char* shotName) {
    const Window window = FindInstallerWindow();
    if (window.main == nullptr) {
        return Failures();
    }
    CheckLayout(window);
    Sleep(300);
    Save(ScreenShot(), outDir, shotName);
    PostMessageA(window.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(WaitFor([&] { return !IsWindow(window.main); }), "the close box ends the program");
    return Failures();
}

// A failure inside FormCreate: started with the process's remembered directory of drive C (the environment's
// "=C:") pointing to a directory that does not exist, from a directory on another drive, the installer fails to
// move the picker to the Windows drive. The failure is shown, then the window is still completed and shown.
int CreateFailure(const std::string& setupPath, const std::string& startDir) {
    SetEnvironmentVariableA("=C:", "C:\\gone");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + setupPath + "\"";
    if (!Check(CreateProcessA(setupPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              startDir.c_str(), &startup, &process) != FALSE,
               "the installer starts in " + startDir)) {
        return Failures();
    }
    HWND box = nullptr;
    WaitFor([&] { return (box = FindTopLevel("#32770", ApplicationTitle)) != nullptr; }, 60000);
    if (Check(box != nullptr, "the failure display appears while the window is built")) {
        const std::string message = Text(GetDlgItem(box, 0xFFFF));
        Check(message == "Fichier introuvable.", "it shows \"Fichier introuvable.\": " + message);
        const HWND early = FindTopLevel("TForm1", "Installation");
        Check(early == nullptr, "the window is not shown yet");
        const HWND application = FindTopLevel("TApplication", ApplicationTitle);
        Check(application != nullptr, "the program's taskbar entry is already shown");
        Check(application != nullptr && GetWindow(box, GW_OWNER) == application,
              "the box is owned by the application window");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    const Window window = FindInstallerWindow();
    if (window.main != nullptr) {
        Check(IsWindowVisible(window.main) && PageShown(window, Panel1Id, Panel3Id),
              "then the window is completed and shown");
        Check(SamePath(Text(window[LabelRepId]), startDir + "\\Quibel"),
              "the picker stayed in the start directory: " + Text(window[LabelRepId]));
        // Activation and a run work: the product goes there, the speech engine beside it to its directory.
        PostMessageA(window[BoutSuivant1Id], BM_CLICK, 0, 0);
        Check(WaitFor([&] { return PageShown(window, Panel3Id, Panel1Id); }), "\"Suivant\" shows the install page");
        PostMessageA(window[BoutInstallerId], BM_CLICK, 0, 0);
        HWND done = nullptr;
        WaitFor([&] { return (done = FindTopLevel(MessageDialogClassName, ApplicationTitle)) != nullptr; }, 180000);
        if (Check(done != nullptr, "the run ends with the completion message")) {
            Check(Text(GetDlgItem(done, 0xFFFF)) == "Installation terminée", "it says \"Installation terminée\"");
            PostMessageA(GetDlgItem(done, IDOK), BM_CLICK, 0, 0);
        }
    }
    DWORD exitCode = STILL_ACTIVE;
    Check(WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(process.hProcess, &exitCode) && exitCode == 0,
          "the program ends with exit code 0");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Failures();
}

// The run command's unattended installation: the user's three presses, with nothing chosen in the picker, and a
// picture of the window at each stage. Prints the install directory, for the command to find the product.
int Demo(const std::string& outDir) {
    const Window window = FindInstallerWindow();
    if (window.main == nullptr) {
        return Failures();
    }
    const auto shoot = [&](const char* name) {
        Sleep(300);  // let the window paint
        Check(ScreenShot().Save(outDir + "\\" + name, OnScreen(window.main)), std::string("screenshot ") + name);
    };
    const std::string installDirectory = Text(window[LabelRepId]);
    BringToFront(window.main);
    shoot("first-page.bmp");
    PostMessageA(window[BoutSuivant1Id], BM_CLICK, 0, 0);
    Check(WaitFor([&] { return PageShown(window, Panel3Id, Panel1Id); }), "\"Suivant\" shows the install page");
    PostMessageA(window[BoutInstallerId], BM_CLICK, 0, 0);

    HWND dialog = nullptr;
    HWND failure = nullptr;
    WaitFor(
        [&] {
            dialog = FindTopLevel(MessageDialogClassName, ApplicationTitle);
            failure = FindTopLevel("#32770", ApplicationTitle);
            return dialog != nullptr || failure != nullptr;
        },
        300000);
    if (failure != nullptr) {
        shoot("completion.bmp");
        Check(false, "the installation failed: " + Text(GetDlgItem(failure, 0xFFFF)));
        PostMessageA(failure, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(failure, IDOK)));
        PostMessageA(window.main, WM_SYSCOMMAND, SC_CLOSE, 0);
        return Failures();
    }
    if (!Check(dialog != nullptr, "the completion message appears")) {
        return Failures();
    }
    Check(Text(GetDlgItem(dialog, 0xFFFF)) == "Installation terminée", "it says \"Installation terminée\"");
    shoot("completion.bmp");
    // The message stands over the log: hidden for a moment, it lets the page behind it be seen whole.
    ShowWindow(dialog, SW_HIDE);
    shoot("install-page.bmp");
    std::printf("log: %zu lines\n", Lines(Text(window[Memo1Id])).size());
    std::printf("install directory: %s\n", installDirectory.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    Check(WaitFor([&] { return !IsWindow(window.main); }, 10000), "closing the message ends the program");
    return Failures();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "run" && argc == 6) {
        return Run(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    }
    if (scenario == "demo" && argc == 3) {
        return Demo(argv[2]);
    }
    if (scenario == "failure" && argc == 4) {
        return Failure(argv[2], argv[3]);
    }
    if (scenario == "createfailure" && argc == 4) {
        return CreateFailure(argv[2], argv[3]);
    }
    if (scenario == "layout" && argc == 4) {
        SetProcessDPIAware();  // see the screen as the installer, which declares itself DPI-aware, does
        return LayoutOnly(argv[2], argv[3]);
    }
    std::fprintf(
        stderr,
        "usage: window_robot run OUTDIR STARTDIR TREELINES TOTALLINES | failure OUTDIR STARTDIR | layout OUTDIR "
        "SHOT.bmp | createfailure SETUP.exe DIR | demo OUTDIR\n");
    return 100;
}
