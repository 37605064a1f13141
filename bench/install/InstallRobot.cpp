// Drives the real installer through one installation and times it: "Suivant", then "Démarrer l'installation",
// until the completion message appears. Prints the seconds from the press to the message; exit code 1 when the
// message says anything but "Installation terminée" (the failure display came instead), or when the window does not
// show up.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/ControlIds.h"

namespace {

constexpr const char* ApplicationTitle = "installateur Quibel 3";

std::string TextOf(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

struct ChildSearch {
    const char* className;
    std::string text;  // empty: the first child of that class with any text
    HWND found = nullptr;
    std::string foundText;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM parameter) {
    auto& search = *reinterpret_cast<ChildSearch*>(parameter);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, search.className) != 0) {
        return TRUE;
    }
    const std::string text = TextOf(child);
    if ((search.text.empty() && !text.empty()) || (!search.text.empty() && text == search.text)) {
        search.found = child;
        search.foundText = text;
        return FALSE;
    }
    return TRUE;
}

ChildSearch FindChild(HWND parent, const char* className, const std::string& text) {
    ChildSearch search{className, text, nullptr, {}};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search;
}

// The completion message (the dialog of its own class) or the failure display (the system's message box), both
// captioned with the application title. The taskbar window bears that title too: it is neither. Two calls to the
// window server: the installer needs it for every file it writes.
HWND FindBox() {
    for (const char* className : {quibel::MessageDialogClassName, "#32770"}) {
        const HWND box = FindWindowA(className, ApplicationTitle);
        if (box != nullptr && IsWindowVisible(box)) {
            return box;
        }
    }
    return nullptr;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Fail(const char* what) {
    std::printf("robot: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    HWND main = nullptr;
    HWND start = nullptr;
    for (int i = 0; i < 1200 && start == nullptr; ++i) {  // up to 60 s: the window loads the whole installer
        main = FindWindowA("TForm1", "Installation");
        if (main != nullptr && IsWindowVisible(main)) {
            start = FindChild(main, "Button", "Démarrer l'installation").found;
        }
        if (start == nullptr) {
            Sleep(50);
        }
    }
    if (start == nullptr) {
        return Fail("no installer window");
    }
    const HWND next = FindChild(main, "Button", "Suivant").found;
    if (next == nullptr) {
        return Fail("no \"Suivant\" button");
    }
    // Answered once the window is idle again, that is after its first activation has loaded the installer.
    SendMessageA(next, BM_CLICK, 0, 0);

    LARGE_INTEGER pressed, shown;
    QueryPerformanceCounter(&pressed);
    PostMessageA(start, BM_CLICK, 0, 0);  // the run ends in a modal box: posted, not sent
    HWND box = nullptr;
    while ((box = FindBox()) == nullptr) {
        // Polling the window server during the run slows the installer's own calls to it (by a second or more on
        // a loaded machine), so the wait is a message the busy thread answers only when it takes messages again:
        // in the box's loop. Answered at once while the click is still queued, hence the loop.
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 300000, nullptr);
        if ((box = FindBox()) != nullptr) {
            break;
        }
        Sleep(10);
        if (!IsWindow(main)) {
            return Fail("the installer ended without a message");
        }
    }
    QueryPerformanceCounter(&shown);

    // The box may be seen before its text exists.
    std::string message;
    for (int i = 0; i < 500 && message.empty(); ++i) {
        message = TextOf(GetDlgItem(box, 0xFFFF));
        if (message.empty()) {
            Sleep(10);
        }
    }
    const bool finished = message == "Installation terminée";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    if (!finished) {
        // After the failure display the window stays open: closed here, the round ends now.
        for (int i = 0; i < 200 && IsWindow(box); ++i) {
            Sleep(50);
        }
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    for (int i = 0; i < 200 && IsWindow(main) && IsWindowVisible(main); ++i) {
        Sleep(50);
    }
    std::printf("message: %s\n", message.c_str());
    if (!finished) {
        return Fail("the run did not end with \"Installation terminée\"");
    }
    std::printf("install_seconds %.3f\n", Seconds(pressed, shown));
    return 0;
}
