// Drives the real installer through a run with the speech engine's side archives beside it, from a process of its
// own, and checks the log, the completion or failure display and the desktop shortcut.
//   speech_robot run SPEECHLINES   a complete run; SPEECHLINES lines of the speech package follow the closing lines
//   speech_robot damaged           a run whose side archive is damaged: the failure display, then the close box
//   speech_robot failure TEXT WHERE a run that fails with the failure display TEXT, in the product's tree
//                                  (WHERE product) or in the speech engine's (WHERE speech), then the close box
//   speech_robot refused CODE FILE [hold | attributes HEX]
//                                  a run over an existing installation whose FILE (its full path) cannot be
//                                  created: the display says so with the system's text for CODE. The robot first
//                                  holds FILE open without sharing, or gives it the attributes HEX.
//   speech_robot held DIRECTORY    a complete run during which the robot tries to rename and to remove DIRECTORY
//                                  (below the install directory) once it appears: the system refuses both
// Exit code: the number of failed checks.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/ComPtr.h"
#include "payload/Errors.h"
#include "platform/Win32System.h"
#include "tests/speech/TestFiles.h"
#include "tests/ui/RobotSupport.h"
#include "ui/ControlIds.h"

using namespace quibel;
using namespace quibel::robot;

namespace {

const std::string ApplicationTitle = "installateur Quibel 3";
const std::string ShortcutLine = "Création d'un raccourci sur le bureau";
const std::string SpeechDirectory = "c:\\speng";

struct Installer {
    HWND main = nullptr;
    HWND control(int id, int panelId = 0) const {
        return ChildById(panelId == 0 ? main : ChildById(main, panelId), id);
    }
};

// Finds the window, goes to the install page and presses the start button; returns the install directory.
std::string StartRun(Installer& installer) {
    WaitFor([&] { return (installer.main = FindTopLevel(Form1ClassName, "Installation")) != nullptr; }, 60000);
    if (!Check(installer.main != nullptr, "the installer window appears")) {
        return {};
    }
    WaitFor([&] { return IsWindowVisible(installer.main) && !Text(installer.control(LabelRepId)).empty(); });
    const std::string installDirectory = Text(installer.control(LabelRepId));
    std::printf("install directory: %s\n", installDirectory.c_str());
    PostMessageA(installer.control(BoutSuivant1Id, Panel1Id), BM_CLICK, 0, 0);
    Check(WaitFor([&] { return IsWindowVisible(installer.control(Panel3Id)) != FALSE; }),
          "\"Suivant\" shows the install page");
    PostMessageA(installer.control(BoutInstallerId, Panel3Id), BM_CLICK, 0, 0);
    return installDirectory;
}

std::vector<std::string> LogLines(const Installer& installer) {
    const std::string text = Text(installer.control(Memo1Id, Panel3Id));
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines behind the two closing lines, which must stand together.
std::vector<std::string> LinesAfterClosing(const std::vector<std::string>& lines) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == ShortcutLine && lines[i - 1] == "Installation terminée") {
            return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, lines.end());
        }
    }
    Check(false, "the log holds \"Installation terminée\" then \"" + ShortcutLine + "\"");
    return {};
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void CheckSpeechLines(const std::vector<std::string>& lines, std::size_t expected) {
    Check(lines.size() == expected, "the speech package logs " + std::to_string(expected) +
                                        " lines behind the "
                                        "closing lines (" +
                                        std::to_string(lines.size()) + ")");
    if (!lines.empty()) {
        Check(lines.front() == "Répertoire " + SpeechDirectory, "the speech lines begin with " + lines.front());
    }
    for (const auto& line : lines) {
        Check(
            StartsWith(line, "Répertoire " + SpeechDirectory) || StartsWith(line, "Fichier " + SpeechDirectory + "\\"),
            "speech line under c:\\speng: " + line);
    }
}

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !a.empty() &&
           std::tolower(static_cast<unsigned char>(a[0])) == std::tolower(static_cast<unsigned char>(b[0])) &&
           a.compare(1, std::string::npos, b, 1) == 0;
}

// The shortcut on the desktop, loaded back through a link object of this process.
void CheckShortcut(const std::string& installDirectory) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Check(false, "COM starts in the robot");
        return;
    }
    {
        char desktop[MAX_PATH + 1] = {};
        SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
        const std::string path = std::string(desktop) + "\\Quibel 4.1.LNK";
        ComPtr<IShellLinkA> link;
        ComPtr<IPersistFile> file;
        wchar_t widePath[MAX_PATH * 2] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH * 2);
        const bool loaded = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                       link.Receive())) &&
                            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Receive())) &&
                            SUCCEEDED(file->Load(widePath, STGM_READ));
        if (Check(loaded, "the shortcut " + path + " loads")) {
            char text[MAX_PATH * 2] = {};
            link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
            Check(SamePath(text, installDirectory + "\\quibel.exe"), std::string("its target: ") + text);
            link->GetWorkingDirectory(text, sizeof text);
            Check(SamePath(text, installDirectory + "\\"), std::string("its working directory: ") + text);
            link->GetDescription(text, sizeof text);
            Check(std::string(text) == "Raccourci vers Quibel 4.1", std::string("its description: ") + text);
            const auto bytes = testing::ReadBytes(path);
            std::uint32_t showCommand = 0;
            if (bytes && bytes->size() >= 0x40) {
                std::memcpy(&showCommand, bytes->data() + 0x3C, 4);
            }
            Check(showCommand == SW_SHOW, "its show command field holds 5: " + std::to_string(showCommand));
        }
    }
    CoUninitialize();
}

// While the run writes below it, a directory of the walk can neither be renamed nor removed by another program.
void TryToMoveWhenItAppears(const std::string& directory) {
    if (!Check(WaitFor([&] { return GetFileAttributesA(directory.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000),
               directory + " appears")) {
        return;
    }
    const bool renamed = MoveFileA(directory.c_str(), (directory + ".old").c_str()) != FALSE;
    const DWORD renameError = GetLastError();
    const bool removed = RemoveDirectoryA(directory.c_str()) != FALSE;
    const DWORD removeError = GetLastError();
    Check(!renamed, "renaming " + directory + " is refused (" + std::to_string(renameError) + ")");
    Check(!removed, "removing " + directory + " is refused (" + std::to_string(removeError) + ")");
}

int Run(std::size_t speechLines, const std::string& heldDirectory = {}) {
    Installer installer;
    const std::string installDirectory = StartRun(installer);
    if (installDirectory.empty()) {
        return Failures();
    }
    if (!heldDirectory.empty()) {
        TryToMoveWhenItAppears(installDirectory + "\\" + heldDirectory);
    }
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindTopLevel(MessageDialogClassName, ApplicationTitle)) != nullptr; }, 120000);
    if (!Check(dialog != nullptr, "the completion message appears")) {
        return Failures();
    }
    CheckSpeechLines(LinesAfterClosing(LogLines(installer)), speechLines);
    SetForegroundWindow(dialog);
    PressKey(VK_ESCAPE);
    Check(WaitFor([&] { return !IsWindow(installer.main); }, 15000), "the window closes after the message");
    CheckShortcut(installDirectory);
    return Failures();
}

int Failure(const std::string& expected, bool inSpeechPackage) {
    Installer installer;
    if (StartRun(installer).empty()) {
        return Failures();
    }
    HWND box = nullptr;
    WaitFor([&] { return (box = FindTopLevel("#32770", ApplicationTitle)) != nullptr; }, 120000);
    if (!Check(box != nullptr, "the failure display appears")) {
        return Failures();
    }
    const std::string message = Text(GetDlgItem(box, 0xFFFF));
    Check(message == expected, "it says: " + message);
    const std::vector<std::string> lines = LogLines(installer);
    if (inSpeechPackage) {
        const auto speech = LinesAfterClosing(lines);
        Check(!speech.empty() && speech.front() == "Répertoire " + SpeechDirectory,
              "the speech package's lines had begun");
    } else {
        Check(!lines.empty() && StartsWith(lines.back(), "Répertoire "),
              "the log ends with the directory's line: " + (lines.empty() ? "" : lines.back()));
    }
    Check(FindTopLevel(MessageDialogClassName, ApplicationTitle) == nullptr, "no completion message");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    Check(WaitFor([&] { return !IsWindow(box); }), "OK closes the failure display");
    Check(IsWindow(installer.main) != FALSE, "the window stays open");
    PostMessageA(installer.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(WaitFor([&] { return !IsWindow(installer.main); }, 15000), "the close box ends the program");
    return Failures();
}

// FILE is held open without sharing by this process, or given attributes, before the run starts. The expected text
// is the one creating FILE gives with the system's own text for CODE.
int Refused(const std::vector<std::string>& detail) {
    const std::string file = detail.at(1);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (detail.size() == 3 && detail[2] == "hold") {
        held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        Check(held != INVALID_HANDLE_VALUE, "the robot holds " + file);
    }
    if (detail.size() == 4 && detail[2] == "attributes") {
        const auto attributes = static_cast<DWORD>(std::strtoul(detail[3].c_str(), nullptr, 16));
        Check(SetFileAttributesA(file.c_str(), attributes) &&
                  (GetFileAttributesA(file.c_str()) & attributes) == attributes,
              "the robot gives " + file + " the attributes " + detail[3]);
    }
    const auto code = static_cast<std::uint32_t>(std::strtoul(detail[0].c_str(), nullptr, 10));
    const int failures = Failure(FailureDisplayText(EFCreateError(file, SystemErrorText(code)).what()), false);
    if (held != INVALID_HANDLE_VALUE) {
        CloseHandle(held);
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "run" && argc == 3) {
        return Run(static_cast<std::size_t>(std::atoi(argv[2])));
    }
    if (scenario == "damaged" && argc == 2) {
        return Failure("Compressed file is corrupt.", true);
    }
    if (scenario == "failure" && argc == 4) {
        return Failure(argv[2], std::string(argv[3]) == "speech");
    }
    if (scenario == "held" && argc == 3) {
        return Run(0, argv[2]);
    }
    if (scenario == "refused" && argc >= 4) {
        return Refused(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr,
                 "usage: speech_robot run SPEECHLINES | damaged | failure TEXT product|speech | refused CODE FILE "
                 "[hold | attributes HEX] | held DIRECTORY\n");
    return 100;
}
