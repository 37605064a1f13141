// The Win32 file system of the installer and of qpack on Windows: 8-bit (ANSI) path names, whole-file reads and
// writes, and the system's own error codes and texts.

#include <windows.h>

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
        std::vector<std::uint8_t> content;
        try {
            content.resize(static_cast<std::size_t>(size.QuadPart));
        } catch (const std::bad_alloc&) {
            throw EStreamError();
        }
        std::size_t done = 0;
        while (done < content.size()) {
            DWORD got = 0;
            if (!ReadFile(file.Get(), content.data() + done, static_cast<DWORD>(content.size() - done), &got,
                          nullptr) ||
                got == 0) {
                break;
            }
            done += got;
        }
        content.resize(done);
        return content;
    }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() {
    return std::make_unique<Win32FileSystem>();
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
