// A window of its own for the picker's robot test: the install-directory label, the drive list and the
// directory list, linked and started as the installer's window does it (the Windows drive selected at
// creation, the label set again at first showing). PICKER_NOT_READY=x: makes the change to that drive fail as
// a drive that is not ready does (system error 21), which Wine cannot produce for a drive root. Prints how many
// directories it listed until it was shown.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "payload/Errors.h"
#include "ui/DirectoryListBox.h"
#include "ui/DriveComboBox.h"
#include "ui/PickerDrives.h"

namespace quibel {
namespace {

constexpr const char* kClassName = "PickerTestForm";
constexpr const char* kTitle = "Picker";
constexpr int kLabelId = 1001;
constexpr int kListId = 1009;
constexpr int kComboId = 1010;

class NotReadySystem : public PickerSystem {
  public:
    void ChangeDirectory(const std::string& path) override {
        const char* notReady = std::getenv("PICKER_NOT_READY");
        if (notReady != nullptr && path.size() == 2 && std::string(notReady).size() == 2 &&
            SameLetter(path[0], notReady[0])) {
            throw EInOutError(SystemError::NotReady);
        }
        PickerSystem::ChangeDirectory(path);
    }
    // Counted: a slow network share would make the start-up wait once per listing.
    std::vector<std::string> Subdirectories(const std::string& directory) override {
        ++listings;
        return PickerSystem::Subdirectories(directory);
    }
    int listings = 0;
};

struct Form {
    NotReadySystem system;
    DirectoryListBox list{system};
    DriveComboBox drives{system};
    HWND window = nullptr;
    HWND label = nullptr;
    HFONT font = nullptr;
    bool activated = false;

    void ShowFailure(const std::exception& failure) {
        MessageBoxA(window, FailureDisplayText(failure.what()).c_str(), kTitle, MB_OK | MB_ICONSTOP);
    }
    void DirectoryListBox1Change() {
        const std::string& directory = list.Directory();
        const std::string text = directory + (!directory.empty() && directory.back() == '\\' ? "" : "\\") + "Quibel";
        SetWindowTextA(label, text.c_str());
    }
};

Form* form = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && form != nullptr && !form->activated) {
                form->activated = true;
                form->DirectoryListBox1Change();
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int Run(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);

    Form state;
    form = &state;
    state.font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    state.window = CreateWindowExA(WS_EX_DLGMODALFRAME, kClassName, kTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU, 40, 40,
                                   420, 340, nullptr, nullptr, instance, nullptr);
    state.label = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 10, 10, 390, 20,
                                  state.window, reinterpret_cast<HMENU>(kLabelId), instance, nullptr);
    SendMessageA(state.label, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    const auto failure = [](const std::exception& e) { form->ShowFailure(e); };
    state.list.SetFailureHandler(failure);
    state.drives.SetFailureHandler(failure);
    state.list.OnChange = [] { form->DirectoryListBox1Change(); };
    state.drives.SetDirList(&state.list);
    state.list.Create(state.window, kListId, RECT{60, 75, 396, 302}, state.font);
    state.drives.Create(state.window, kComboId, RECT{10, 45, 346, 67}, state.font);
    state.list.SetDirLabel(state.label, true);

    // As the installer's start-up does: the Windows directory's drive.
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    try {
        state.drives.SetDrive(windows[0]);
    } catch (const std::exception& e) {
        state.ShowFailure(e);
    }
    ShowWindow(state.window, SW_SHOW);
    SetFocus(state.list.Handle());
    std::printf("directories listed at start-up: %d\n", state.system.listings);
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    form = nullptr;
    DeleteObject(state.font);
    return 0;
}

}  // namespace
}  // namespace quibel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return quibel::Run(instance);
}
