// The Win32 file system of the installer and of qpack on Windows: 8-bit (ANSI) path names, whole-file reads and
// writes, and the system's own error codes and texts.

#include <windows.h>

#include <algorithm>
#include <new>

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "platform/Win32System.h"

namespace quibel {

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (IsValid()) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
  public:
    explicit Win32FileSystem(FileRead read) : read_(std::move(read)) {}

    bool IsDirectory(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    bool IsFile(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    // GetFileAttributesA reports a link's own attributes: a junction, a symbolic link (and, under Wine, a Unix
    // symbolic link inside the prefix) carry FILE_ATTRIBUTE_REPARSE_POINT.
    void RefuseLink(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            throw EInOutError(SystemError::PathNotFound);
        }
    }

    void CreateDirectoryLevel(const std::string& path) override {
        if (!CreateDirectoryA(path.c_str(), nullptr)) {
            throw EInOutError(GetLastError());
        }
    }

    void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) override {
        const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) {
            const DWORD error = GetLastError();
            throw EFCreateError(FullPathName(path), SystemErrorText(error));
        }
        if (size == 0) {
            return;
        }
        DWORD written = 0;
        if (!WriteFile(file.Get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
            throw EWriteError();
        }
    }

    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override {
        const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) {
            const DWORD error = GetLastError();
            throw EFOpenError(FullPathName(path), SystemErrorText(error));
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) {
            throw EStreamError();
        }
        return ReadWholeOpenFile(reinterpret_cast<std::intptr_t>(file.Get()), static_cast<std::uint64_t>(size.QuadPart),
                                 read_);
    }

  private:
    FileRead read_;
};

}  // namespace

std::int64_t SystemFileRead(std::intptr_t file, void* buffer, std::size_t count) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count, 0x7FFFFFFF));
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, chunk, &got, nullptr)) {
        return -1;
    }
    return got;
}

std::unique_ptr<FileSystem> MakeNativeFileSystem(FileRead read) {
    return std::make_unique<Win32FileSystem>(std::move(read));
}

char NativeSeparator() {
    return '\\';
}

std::string ToNativeText(const std::string& text, bool) {
    return text;
}

std::string FromNativeText(const std::string& text) {
    return text;
}

}  // namespace quibel
