// The Win32 file system of the installer and of qpack on Windows: 8-bit (ANSI) path names, whole-file reads and
// writes, and the system's own error codes and texts.

#include <windows.h>

#include <algorithm>
#include <new>

#include "payload/Errors.h"
#include "platform/Win32FileReplacement.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Handle.h"
#include "platform/Win32System.h"

namespace quibel {

namespace {

// Whether a handle is open on a directory (its attributes, one query).
bool IsDirectoryHandle(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tagged{};
    return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tagged, sizeof tagged) != 0 &&
           (tagged.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Opened without following a reparse point. Reading its entries counts as access, so the missing delete sharing
// keeps other programs from renaming or removing it while it is held.
HANDLE OpenDirectoryHandle(const std::string& path, DWORD access, DWORD sharing) {
    return CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A directory of a walk's target, held open without delete sharing: while it is held no program can rename or
// remove it, so the files created below it by path land in it.
struct HeldDirectory final : FileSystem::Directory {
    explicit HeldDirectory(HANDLE h) : handle(h) {}
    FileHandle handle;
};

class HandleFile final : public FileSystem::NewFile {
  public:
    explicit HandleFile(HANDLE handle) : handle_(handle) {}

    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        DWORD written = 0;
        if (count > 0 && (!WriteFile(handle_.Get(), bytes, static_cast<DWORD>(count), &written, nullptr) ||
                          written != static_cast<DWORD>(count))) {
            throw EWriteError();
        }
    }
    void Close() override {
        if (!CloseHandle(handle_.Release())) {
            throw EWriteError();
        }
    }
    void Remove() override {
        if (handle_.IsValid()) {
            DeleteWhenClosed(handle_.Get());
            handle_.Close();
        }
    }

  private:
    FileHandle handle_;
};

class Win32FileSystem final : public FileSystem {
  public:
    Win32FileSystem(FileRead read, TargetHook beforeChange, ReparsePointRead reparse)
        : read_(std::move(read)), beforeChange_(std::move(beforeChange)), reparse_(std::move(reparse)) {}

    bool IsDirectory(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    bool IsFile(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

    std::unique_ptr<Directory> OpenDirectory(const Directory*,
                                             const std::string& path,
                                             const std::string&,
                                             bool create) override {
        if (beforeChange_) {
            beforeChange_(path);
        }
        constexpr DWORD kAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
        constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
        HANDLE opened = OpenDirectoryHandle(path, kAccess, kSharing);
        if (opened == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // One that exists but cannot be opened (its ACL, a program holding it with delete access) says why.
            if (!IsMissing(error) || !create) {
                throw EInOutError(IsMissing(error) ? SystemError::PathNotFound : error);
            }
            if (!CreateDirectoryA(path.c_str(), nullptr)) {
                throw EInOutError(GetLastError());
            }
            opened = OpenDirectoryHandle(path, kAccess, kSharing);
            if (opened == INVALID_HANDLE_VALUE) {
                throw EInOutError(GetLastError());
            }
        }
        FileHandle handle(opened);
        if (IsLink(reparse_(path, reinterpret_cast<std::intptr_t>(opened)))) {
            throw EInOutError(SystemError::PathNotFound);
        }
        if (!IsDirectoryHandle(opened)) {
            throw EInOutError(create ? SystemError::AlreadyExists : SystemError::PathNotFound);
        }
        return std::make_unique<HeldDirectory>(handle.Release());
    }

    std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                           const std::string& path,
                                           const std::string& name) override {
        if (beforeChange_) {
            beforeChange_(path);
        }
        return std::make_unique<HandleFile>(
            CreateFileOfWalk(static_cast<const HeldDirectory&>(directory).handle.Get(), path, name));
    }

  private:
    FileRead read_;
    TargetHook beforeChange_;
    ReparsePointRead reparse_;
};

}  // namespace

ReparsePoint SystemReparsePointRead(const std::string& path, std::intptr_t handle) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    FILE_ATTRIBUTE_TAG_INFO tagged{};
    const bool read = GetFileInformationByHandleEx(reinterpret_cast<HANDLE>(handle), FileAttributeTagInfo, &tagged,
                                                   sizeof tagged) != 0;
    const bool tagPresent = read && (tagged.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool pathPresent = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return {tagPresent || pathPresent, tagPresent ? tagged.ReparseTag : 0};
}

bool IsLink(const ReparsePoint& reparsePoint) {
    return reparsePoint.present && (reparsePoint.tag == 0 || IsReparseTagNameSurrogate(reparsePoint.tag));
}

std::unique_ptr<FileSystem> MakeWin32FileSystem(FileRead read, TargetHook beforeChange, ReparsePointRead reparse) {
    return std::make_unique<Win32FileSystem>(std::move(read), std::move(beforeChange), std::move(reparse));
}

std::int64_t SystemFileRead(std::intptr_t file, void* buffer, std::size_t count) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count, 0x7FFFFFFF));
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, chunk, &got, nullptr)) {
        return -1;
    }
    return got;
}

std::unique_ptr<FileSystem> MakeNativeFileSystem(FileRead read, TargetHook beforeChange) {
    return MakeWin32FileSystem(std::move(read), std::move(beforeChange), SystemReparsePointRead);
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
