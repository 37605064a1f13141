// The Win32 file system of the installer and of qpack on Windows: 8-bit (ANSI) path names, whole-file reads and
// writes, and the system's own error codes and texts.

#include <windows.h>

#include <algorithm>
#include <new>
#include <optional>

#include "payload/Errors.h"
#include "platform/Win32FileSystem.h"
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
    void Release() { handle_ = INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

struct FileIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the directory a handle refers to; nothing when it is no directory or cannot be read. One query
// for both: under Wine each costs a third of a millisecond (it asks for the volume's serial number).
std::optional<FileIdentity> DirectoryIdentity(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Opened without following a reparse point. Reading its entries counts as access, so the missing delete sharing
// keeps other programs from renaming or removing it while it is held.
HANDLE OpenDirectoryHandle(const std::string& path, DWORD access, DWORD sharing) {
    return CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A directory of a walk's target, held open without delete sharing; its path is where the walk found it.
struct HeldDirectory final : FileSystem::Directory {
    HeldDirectory(HANDLE h, std::string p, FileIdentity i) : handle(h), path(std::move(p)), identity(i) {}
    FileHandle handle;
    std::string path;
    FileIdentity identity;
};

class HandleFile final : public FileSystem::NewFile {
  public:
    explicit HandleFile(HANDLE handle) : handle_(handle) {}
    ~HandleFile() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    HandleFile(const HandleFile&) = delete;
    HandleFile& operator=(const HandleFile&) = delete;

    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        DWORD written = 0;
        if (count > 0 && (!WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr) ||
                          written != static_cast<DWORD>(count))) {
            throw EWriteError();
        }
    }
    void Close() override {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle)) {
            throw EWriteError();
        }
    }
    // Through its own handle, not by name: whatever was put at the name meanwhile (Wine's DeleteFileA would delete
    // what a Unix link there names) stays.
    void Remove() override {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return;
        }
        FILE_DISPOSITION_INFO disposition{TRUE};
        SetFileInformationByHandle(handle_, FileDispositionInfo, &disposition, sizeof disposition);
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_;
};

HANDLE CreateNew(const std::string& path, DWORD access) {
    return CreateFileA(path.c_str(), access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

[[noreturn]] void ThrowCreateError(const std::string& path, DWORD error) {
    throw EFCreateError(FullPathName(path), SystemErrorText(error));
}

// Removes what stands at path, the name only. DeleteFileA would do so on Windows, but Wine deletes what a Unix
// link names instead of the link; renaming a new file of our own over the name replaces the name alone on both
// (a link, or one name of a hard-linked file), and that file of ours is then deleted.
void RemoveName(const std::string& path) {
    std::string ours;
    DWORD error = ERROR_FILE_EXISTS;
    for (char suffix = '0'; suffix <= '9'; ++suffix) {
        const std::string candidate = path + ".~q" + suffix;
        const HANDLE made = CreateNew(candidate, GENERIC_WRITE);
        if (made != INVALID_HANDLE_VALUE) {
            CloseHandle(made);
            ours = candidate;
            break;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (ours.empty()) {
        ThrowCreateError(path, error);
    }
    if (!MoveFileExA(ours.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = GetLastError();
        DeleteFileA(ours.c_str());
        ThrowCreateError(path, error);
    }
    DeleteFileA(path.c_str());
}

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

    std::unique_ptr<Directory> OpenDirectory(const Directory* parent,
                                             const std::string& path,
                                             const std::string&,
                                             bool create) override {
        if (parent != nullptr) {
            RequireStillThere(static_cast<const HeldDirectory&>(*parent));
        }
        if (beforeChange_) {
            beforeChange_(path);
        }
        constexpr DWORD kAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
        constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
        HANDLE opened = OpenDirectoryHandle(path, kAccess, kSharing);
        if (opened == INVALID_HANDLE_VALUE) {
            if (!create) {
                throw EInOutError(SystemError::PathNotFound);
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
        const auto identity = DirectoryIdentity(opened);
        if (!identity) {
            throw EInOutError(create ? SystemError::AlreadyExists : SystemError::PathNotFound);
        }
        handle.Release();
        return std::make_unique<HeldDirectory>(opened, path, *identity);
    }

    std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                           const std::string& path,
                                           const std::string&) override {
        RequireStillThere(static_cast<const HeldDirectory&>(directory));
        if (beforeChange_) {
            beforeChange_(path);
        }
        constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | DELETE;  // DELETE: Remove
        HANDLE file = CreateNew(path, kAccess);
        if (file == INVALID_HANDLE_VALUE &&
            (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
            RemoveName(path);
            file = CreateNew(path, kAccess);
        }
        if (file == INVALID_HANDLE_VALUE) {
            ThrowCreateError(path, GetLastError());
        }
        return std::make_unique<HandleFile>(file);
    }

  private:
    // The path by which a held directory was found must lead to it still: on Windows nobody can rename it while
    // it is held, but under Wine a Unix program can, and anything created by path would then land elsewhere.
    void RequireStillThere(const HeldDirectory& directory) {
        const FileHandle now(OpenDirectoryHandle(directory.path, FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        const auto identity = now.IsValid() ? DirectoryIdentity(now.Get()) : std::nullopt;
        if (!identity || !(*identity == directory.identity) ||
            IsLink(reparse_(directory.path, reinterpret_cast<std::intptr_t>(now.Get())))) {
            throw EInOutError(SystemError::PathNotFound);
        }
    }

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
