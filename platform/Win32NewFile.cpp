#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>

#include "platform/NewFile.h"
#include "platform/Win32System.h"

namespace quibel {

NewFile CreateNewFile(const std::filesystem::path& path) {
    NewFile created;
    // FILE_SHARE_DELETE lets the interruption handler remove the file while it is open.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        created.alreadyExists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        created.error = SystemErrorText(error);
        return created;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    created.file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (created.file == nullptr) {
        created.error = std::strerror(errno);
        if (fd < 0) {
            CloseHandle(handle);
        } else {
            _close(fd);
        }
        DeleteFileW(path.c_str());
    }
    return created;
}

namespace {

wchar_t removedPath[32768];
volatile LONG armed = 0;
volatile LONG held = 0;

// Runs on a thread of its own; returning FALSE lets the default handler end the process. While interruptions
// are held it waits for the creating thread to arm (or give up) first.
BOOL WINAPI RemoveAndEnd(DWORD) {
    while (held != 0) {
        Sleep(1);
    }
    if (armed != 0) {
        DeleteFileW(removedPath);
    }
    return FALSE;
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::filesystem::path& path) {
    const std::wstring& text = path.native();
    if (text.size() >= std::size(removedPath)) {
        return;
    }
    std::wmemcpy(removedPath, text.c_str(), text.size() + 1);
    armed = 1;
    SetConsoleCtrlHandler(RemoveAndEnd, TRUE);
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
    if (armed == 0) {
        return;
    }
    SetConsoleCtrlHandler(RemoveAndEnd, FALSE);
    armed = 0;
}

InterruptsHeld::InterruptsHeld() {
    held = 1;
    SetConsoleCtrlHandler(RemoveAndEnd, TRUE);
}

InterruptsHeld::~InterruptsHeld() {
    SetConsoleCtrlHandler(RemoveAndEnd, FALSE);
    held = 0;
}

}  // namespace quibel
