// Drives the drive and directory lists of a running window from outside, as a user would, and checks what they
// show. Usage: picker_robot SCENARIO FORMCLASS FORMTITLE BOXCAPTION SHOTDIR. It prints "SHOT name" when the
// screen is worth a picture and waits for SHOTDIR\name.done; exits 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kLabelId = 1001;
constexpr int kListId = 1009;
constexpr int kComboId = 1010;

struct Robot {
    std::string formClass, formTitle, boxCaption, shotDirectory;
    HWND form = nullptr, label = nullptr, list = nullptr, combo = nullptr;
    int failures = 0;

    void Check(bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        std::fflush(stdout);
        failures += ok ? 0 : 1;
    }
    template <typename T>
    void CheckEq(const T& actual, const T& expected, const std::string& what) {
        Check(actual == expected, what);
        if (!(actual == expected)) {
            std::printf("     got: [%s]\n     expected: [%s]\n", Show(actual).c_str(), Show(expected).c_str());
        }
    }
    static std::string Show(const std::string& s) { return s; }
    static std::string Show(int v) { return std::to_string(v); }
    static std::string Show(const std::vector<std::string>& v) {
        std::string out;
        for (const std::string& s : v) {
            out += (out.empty() ? "" : " | ") + s;
        }
        return out;
    }

    // Across processes Wine answers the A text messages in UTF-16: ask in W and convert to Windows-1252.
    static std::string Narrow(const std::wstring& text) {
        if (text.empty()) {
            return "";
        }
        std::string out(text.size() * 2, '\0');
        const int n = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                          static_cast<int>(out.size()), nullptr, nullptr);
        out.resize(static_cast<std::size_t>(n));
        return out;
    }
    static std::string Text(HWND window) {
        wchar_t buffer[1024] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 2000, &length);
        return Narrow(buffer);
    }
    static std::vector<std::string> Items(HWND control, UINT count, UINT getText) {
        std::vector<std::string> items;
        const LRESULT n = SendMessageW(control, count, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t buffer[1024] = {};
            SendMessageW(control, getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            items.push_back(Narrow(buffer));
        }
        return items;
    }
    std::vector<std::string> DirectoryEntries() const { return Items(list, LB_GETCOUNT, LB_GETTEXT); }
    std::vector<std::string> DriveEntries() const { return Items(combo, CB_GETCOUNT, CB_GETLBTEXT); }
    int Highlighted() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
    std::string SelectedDrive() const {
        const int selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        const std::vector<std::string> drives = DriveEntries();
        return selected >= 0 && selected < static_cast<int>(drives.size()) ? drives[selected] : "";
    }
    // Drive letters are compared without regard to case: Wine keeps the case a drive was entered with.
    std::string LabelText() const {
        std::string text = Text(label);
        if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
            text[0] = static_cast<char>(text[0] - 'a' + 'A');
        }
        return text;
    }

    struct IdSearch {
        int id;
        HWND found;
    };
    // On i686 a lambda does not convert to the stdcall WNDENUMPROC.
    static BOOL CALLBACK MatchId(HWND child, LPARAM data) {
        auto* search = reinterpret_cast<IdSearch*>(data);
        if (GetDlgCtrlID(child) == search->id) {
            search->found = child;
            return FALSE;
        }
        return TRUE;
    }
    static HWND ChildWithId(HWND parent, int id) {
        IdSearch search{id, nullptr};
        EnumChildWindows(parent, &MatchId, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
        for (int waited = 0; waited < milliseconds; waited += 50) {
            if (condition()) {
                return true;
            }
            Sleep(50);
        }
        return condition();
    }

    bool FindForm() {
        return WaitFor(
            [this] {
                form = FindWindowA(formClass.c_str(), formTitle.c_str());
                if (form == nullptr || !IsWindowVisible(form)) {
                    return false;
                }
                label = ChildWithId(form, kLabelId);
                list = ChildWithId(form, kListId);
                combo = ChildWithId(form, kComboId);
                return label != nullptr && list != nullptr && combo != nullptr && !Text(label).empty();
            },
            30000);
    }

    static BOOL CALLBACK MatchDroppedList(HWND window, LPARAM data) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::string(className) == "ComboLBox" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        }
        return TRUE;
    }
    // The list part of an open drop-down list: a top-level window of its own.
    static HWND DroppedList() {
        HWND found = nullptr;
        EnumWindows(&MatchDroppedList, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    struct BoxSearch {
        const std::string* caption;
        HWND found;
    };
    static BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
        auto* search = reinterpret_cast<BoxSearch*>(data);
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::string(className) == "#32770" && IsWindowVisible(window) && Text(window) == *search->caption) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    HWND MessageBoxWindow() const {
        BoxSearch search{&boxCaption, nullptr};
        EnumWindows(&MatchBox, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // Waits for the failure display, returns its text and dismisses it; empty when none came.
    std::string TakeFailure(int milliseconds = 5000) {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = MessageBoxWindow()) != nullptr; }, milliseconds)) {
            return "";
        }
        Sleep(200);
        const std::string text = Text(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
        Sleep(100);
        return text;
    }

    // Actions go by PostMessage, since a failure display may open inside them; then the robot waits for the
    // window to be idle again.
    void Settle() {
        Sleep(150);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
        Sleep(150);
    }
    void ChooseDrive(char letter) {
        const std::vector<std::string> drives = DriveEntries();
        for (std::size_t i = 0; i < drives.size(); ++i) {
            if (drives[i].size() >= 2 && (drives[i][0] | 0x20) == (letter | 0x20) && drives[i][1] == ':') {
                SendMessageW(combo, CB_SETCURSEL, i, 0);
                PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(kComboId, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(combo));
                return;
            }
        }
        Check(false, std::string("drive listed: ") + letter);
    }
    void DoubleClick(int index) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
    }
    void PressEnterOn(int index) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    }
    void Type(char key) {
        PostMessageW(list, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(key)), 0);
        Settle();
    }
    int IndexOf(const std::string& text) const {
        const std::vector<std::string> entries = DirectoryEntries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (lstrcmpiA(entries[i].c_str(), text.c_str()) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void Shot(const std::string& name) {
        std::printf("SHOT %s\n", name.c_str());
        std::fflush(stdout);
        const std::string done = shotDirectory + "\\" + name + ".done";
        WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
    }
};

std::vector<std::string> Upper(std::vector<std::string> entries) {
    for (std::string& entry : entries) {
        CharUpperBuffA(entry.data(), static_cast<DWORD>(entry.size()));
    }
    return entries;
}

void DriveListScenario(Robot& r) {
    const std::vector<std::string> drives = r.DriveEntries();
    const std::vector<std::string> expected = {"a:",    "c: [system]",      "d: []", "e: []", "f: []", "g: []", "h: []",
                                               "i: []", "x: \\\\srv\\share"};
    std::vector<std::string> first(drives.begin(), drives.begin() + std::min(expected.size(), drives.size()));
    r.CheckEq(first, expected, "drive list: a:, c: [label in lower case], d: [], ..., x: \\\\srv\\share in that order");
    r.Check(drives.size() == expected.size() + 1 && drives.back().rfind("z: [", 0) == 0,
            "drive list ends with Wine's z:");
    r.CheckEq(r.SelectedDrive(), std::string("c: [system]"), "the Windows drive is selected");
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "started in C:\\: LabelRep shows C:\\Quibel");
    const std::vector<std::string> entries = r.DirectoryEntries();
    r.Check(!entries.empty() && lstrcmpiA(entries[0].c_str(), "C:\\") == 0 && r.Highlighted() == 0,
            "the root is the current, highlighted entry");
    r.Check(r.IndexOf("PickerTree") > 0 && r.IndexOf("windows") > 0, "subdirectories of C:\\ listed");
    SendMessageW(r.combo, CB_SHOWDROPDOWN, TRUE, 0);
    r.Settle();
    const HWND dropped = r.DroppedList();
    RECT client{};
    GetClientRect(dropped, &client);
    const int itemHeight = static_cast<int>(SendMessageW(dropped, LB_GETITEMHEIGHT, 0, 0));
    r.CheckEq(itemHeight > 0 ? static_cast<int>(client.bottom / itemHeight) : 0, 8,
              "the open list shows 8 of its 10 entries at a time");
    r.Shot("drive-list");
    SendMessageW(r.combo, CB_SHOWDROPDOWN, FALSE, 0);
}

void DeepScenario(Robot& r) {
    const std::string tree = "C:\\PickerTree";
    SetFileAttributesA((tree + "\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((tree + "\\Sys").c_str(), FILE_ATTRIBUTE_SYSTEM);

    r.CheckEq(r.LabelText(), std::string("C:\\PickerTree\\Deep\\Er\\Quibel"), "deep start: label");
    r.CheckEq(Upper(r.DirectoryEntries()), Upper({"C:\\", "PickerTree", "Deep", "Er", "Sub1", "Sub2"}),
              "deep start: root, ancestors, current, subdirectories");
    r.CheckEq(r.Highlighted(), 3, "deep start: the current directory is highlighted");
    r.Shot("deep-list");

    r.DoubleClick(3);
    r.Settle();
    r.CheckEq(r.LabelText(), std::string("C:\\PickerTree\\Deep\\Er\\Quibel"), "double-click on current: nothing");

    r.DoubleClick(1);
    r.Settle();
    r.CheckEq(r.LabelText(), std::string("C:\\PickerTree\\Quibel"), "double-click on ancestor PickerTree");
    const std::vector<std::string> entries = Upper(r.DirectoryEntries());
    r.CheckEq(entries, Upper({"C:\\", "PickerTree", "Alpha", "Deep", "Gone", "Visible"}),
              "hidden and system directories left out, names equal but for case once");

    r.Type('v');
    r.CheckEq(r.Highlighted(), r.IndexOf("Visible"), "typing v highlights Visible");
    r.Type('x');
    r.CheckEq(r.Highlighted(), r.IndexOf("Visible"), "no entry begins with vx: highlight stays");
    r.Type('\b');
    Sleep(600);
    r.Type('d');
    r.CheckEq(r.Highlighted(), r.IndexOf("Deep"), "after a pause, d starts a new prefix");
    r.Type('e');
    r.CheckEq(r.Highlighted(), r.IndexOf("Deep"), "de still on Deep");

    r.PressEnterOn(r.IndexOf("Deep"));
    r.Settle();
    r.CheckEq(r.LabelText(), std::string("C:\\PickerTree\\Deep\\Quibel"), "Enter on subdirectory Deep");

    r.DoubleClick(1);
    r.Settle();
    RemoveDirectoryA((tree + "\\Gone").c_str());
    const std::vector<std::string> before = r.DirectoryEntries();
    r.DoubleClick(r.IndexOf("Gone"));
    r.CheckEq(r.TakeFailure(), std::string("Fichier introuvable."), "a directory removed meanwhile: I/O failure");
    r.CheckEq(r.LabelText(), std::string("C:\\PickerTree\\Quibel"), "after the failure: label kept");
    r.CheckEq(r.DirectoryEntries(), before, "after the failure: entries kept");

    r.PressEnterOn(0);
    r.Settle();
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "Enter on the root");
    const std::vector<std::string> rootEntries = r.DirectoryEntries();

    // The empty CD-ROM drive: Wine refuses it with code 3.
    r.ChooseDrive('d');
    r.CheckEq(r.TakeFailure(), std::string("Nom de fichier incorrect."), "empty CD-ROM: I/O failure");
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "empty CD-ROM: label kept");
    r.CheckEq(r.DirectoryEntries(), rootEntries, "empty CD-ROM: entries kept");
    r.CheckEq(r.SelectedDrive(), std::string("d: []"), "empty CD-ROM: stays selected");
    r.ChooseDrive('d');
    r.CheckEq(r.TakeFailure(1000), std::string(), "d: again: nothing happens");
    r.ChooseDrive('c');
    r.Settle();
    r.CheckEq(r.TakeFailure(500), std::string(), "back to c:: no failure");
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "back to c:: still its directory");
    r.ChooseDrive('d');
    r.CheckEq(r.TakeFailure(), std::string("Nom de fichier incorrect."), "d: after another drive: tried again");
}

// A drive that is not ready (the picker's own test window refuses x: with system error 21).
void NotReadyScenario(Robot& r) {
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "before: label");
    r.ChooseDrive('x');
    r.CheckEq(r.TakeFailure(), std::string("Erreur E/S 21."), "drive not ready: Erreur E/S 21.");
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "drive not ready: label kept");
    r.CheckEq(r.SelectedDrive(), std::string("x: \\\\srv\\share"), "drive not ready: stays selected");
}

void OtherDriveScenario(Robot& r) {
    r.CheckEq(r.LabelText(), std::string("C:\\Quibel"), "started on another drive: the Windows drive's root");
    const std::vector<std::string> entries = r.DirectoryEntries();
    r.Check(!entries.empty() && lstrcmpiA(entries[0].c_str(), "C:\\") == 0, "the list shows C:\\");
    r.CheckEq(r.SelectedDrive(), std::string("c: [system]"), "c: selected");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: picker_robot SCENARIO FORMCLASS FORMTITLE BOXCAPTION SHOTDIR\n");
        return 2;
    }
    Robot robot{argv[2], argv[3], argv[4], argv[5]};
    if (!robot.FindForm()) {
        std::printf("FAIL the window did not come up\n");
        return 1;
    }
    Sleep(300);
    const std::string scenario = argv[1];
    if (scenario == "drives") {
        DriveListScenario(robot);
    } else if (scenario == "deep") {
        DeepScenario(robot);
    } else if (scenario == "notready") {
        NotReadyScenario(robot);
    } else if (scenario == "otherdrive") {
        OtherDriveScenario(robot);
    } else {
        std::printf("FAIL unknown scenario %s\n", scenario.c_str());
        return 2;
    }
    PostMessageW(robot.form, WM_CLOSE, 0, 0);
    std::printf("%s: %d failure(s)\n", scenario.c_str(), robot.failures);
    return robot.failures == 0 ? 0 : 1;
}
