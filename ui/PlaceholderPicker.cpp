// A plain stand-in for the drive and directory picker: a drop-down list of the drive letters and a list of the
// current directory followed by its subdirectories (double-click enters one). The picker's own controls replace it.
#include <cctype>

#include "payload/Errors.h"
#include "ui/DirectoryPicker.h"

namespace quibel {

namespace {

char Lower(char letter) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

class PlaceholderPicker final : public DirectoryPicker {
  public:
    void Create(const PickerPlacement& placement) override {
        placement_ = placement;
        directoryList_ = MakeChild(
            "LISTBOX", LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
            placement.directoryList, placement.directoryListId);
        driveList_ = MakeChild("COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                               placement.driveList, placement.driveListId);
        const DWORD drives = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if ((drives & (1u << i)) != 0) {
                const char entry[] = {static_cast<char>('a' + i), ':', '\0'};
                SendMessageA(driveList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
            }
        }
        Refresh();
    }

    HWND DirectoryListWindow() const override { return directoryList_; }
    HWND DriveListWindow() const override { return driveList_; }

    std::string Directory() const override {
        char buffer[MAX_PATH + 1] = {};
        const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
        return std::string(buffer, length < sizeof buffer ? length : 0);
    }

    void SetDrive(char letter) override {
        const std::string directory = Directory();
        if (!directory.empty() && Lower(directory[0]) == Lower(letter)) {
            return;
        }
        const char designator[] = {letter, ':', '\0'};
        if (!SetCurrentDirectoryA(designator)) {
            throw EInOutError(GetLastError());
        }
        Refresh();
        Notify();
    }

    char Drive() const override {
        const std::string directory = Directory();
        return directory.size() > 1 && directory[1] == ':' ? Lower(directory[0]) : '\0';
    }

    std::optional<LRESULT> OnParentMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message != WM_COMMAND) {
            return std::nullopt;
        }
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == placement_.driveListId && code == CBN_SELCHANGE) {
            const LRESULT index = SendMessageA(driveList_, CB_GETCURSEL, 0, 0);
            char entry[8] = {};
            if (index >= 0 && SendMessageA(driveList_, CB_GETLBTEXTLEN, index, 0) < 8) {
                SendMessageA(driveList_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
                SetDrive(entry[0]);
            }
            return 0;
        }
        if (id == placement_.directoryListId && code == LBN_DBLCLK) {
            EnterSelected();
            return 0;
        }
        return std::nullopt;
    }

  private:
    HWND MakeChild(const char* className, DWORD style, const RECT& bounds, int id) {
        const HWND control =
            CreateWindowExA(WS_EX_CLIENTEDGE, className, "", WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, placement_.parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), placement_.instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(placement_.font), FALSE);
        return control;
    }

    void EnterSelected() {
        const LRESULT index = SendMessageA(directoryList_, LB_GETCURSEL, 0, 0);
        if (index <= 0) {
            return;
        }
        std::string name(static_cast<std::size_t>(SendMessageA(directoryList_, LB_GETTEXTLEN, index, 0)) + 1, '\0');
        name.resize(static_cast<std::size_t>(
            SendMessageA(directoryList_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name.data()))));
        std::string path = Directory();
        if (path.empty() || path.back() != '\\') {
            path += '\\';
        }
        if (!SetCurrentDirectoryA((path + name).c_str())) {
            throw EInOutError(GetLastError());
        }
        Refresh();
        Notify();
    }

    void Refresh() {
        const std::string directory = Directory();
        SendMessageA(directoryList_, LB_RESETCONTENT, 0, 0);
        SendMessageA(directoryList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(directory.c_str()));
        WIN32_FIND_DATAA found;
        const std::string pattern = directory + (directory.empty() || directory.back() != '\\' ? "\\*.*" : "*.*");
        const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..") {
                    SendMessageA(directoryList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        SendMessageA(directoryList_, LB_SETCURSEL, 0, 0);
        const char letter[] = {Drive(), ':', '\0'};
        SendMessageA(driveList_, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(letter));
    }

    void Notify() {
        SetWindowTextA(placement_.directoryLabel, Directory().c_str());
        if (placement_.onChange) {
            placement_.onChange();
        }
    }

    PickerPlacement placement_;
    HWND directoryList_ = nullptr;
    HWND driveList_ = nullptr;
};

}  // namespace

std::unique_ptr<DirectoryPicker> MakeDirectoryPicker() {
    return std::make_unique<PlaceholderPicker>();
}

}  // namespace quibel
