#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
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

NewFile CreateAnonymousFile(const std::filesystem::path&) {
    return {};  // Windows has none: the output is written under a hidden name
}

NewFile NameAnonymousFile(std::FILE*, const std::filesystem::path&) {
    return {nullptr, false, "no anonymous files on Windows"};
}

bool LockFile(std::FILE*) {
    return true;  // the handle, opened sharing nothing but deletion, keeps every other opener out
}

bool NamesFile(const std::filesystem::path& path, std::FILE* file) {
    const HANDLE open = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    const HANDLE named = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    const bool same = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(named, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(named);
    return same;
}

void RemoveUnlockedFile(const std::filesystem::path& path) {
    // Sharing nothing, the open fails while any process holds the file open; the handle deletes it when closed.
    const HANDLE handle = CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
}

std::string SyncFile(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return std::strerror(errno);
    }
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) {
        return SystemErrorText(GetLastError());
    }
    return "";
}

std::string ReplaceWithSync(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return SystemErrorText(GetLastError());
    }
    return "";
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
