// The host file system for qpack and the native tests: "\" separators become "/", Windows-1252 names become
// UTF-8, and errno values become the Windows error codes whose messages the system shows; the walk's failures
// carry strerror's words beside them (SystemReason.h).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "platform/PosixAnonymousFile.h"
#include "platform/SystemReason.h"
#include "platform/TextEncoding.h"

namespace quibel {

namespace {

std::string HostPath(const std::string& path) {
    return ToNativeText(path, true);
}

std::uint32_t WindowsCodeFor(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return SystemError::PathNotFound;
        case EEXIST:
            return SystemError::AlreadyExists;
        case EACCES:
        case EPERM:
        case EROFS:
            return SystemError::AccessDenied;
        case ENOSPC:
        case EDQUOT:
            return SystemError::DiskFull;
        case ENAMETOOLONG:
            return 206;  // ERROR_FILENAME_EXCED_RANGE
        case EMFILE:
        case ENFILE:
            return 4;  // ERROR_TOO_MANY_OPEN_FILES
        case EISDIR:
            return SystemError::AccessDenied;
        default:
            return 1117;  // ERROR_IO_DEVICE
    }
}

// strerror's text as Windows-1252 without trailing blanks and full stops, like the Win32 system text.
std::string SystemText(int error) {
    std::string text = FromNativeText(std::strerror(error));
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

// The installer's failure, with strerror's words for error beside it (SystemReason.h).
template <typename Failure, typename... Arguments>
[[noreturn]] void ThrowWithReason(int error, Arguments&&... arguments) {
    throw WithSystemReason<Failure>(std::strerror(error), std::forward<Arguments>(arguments)...);
}

[[noreturn]] void ThrowInOutError(int error, std::uint32_t code) {
    ThrowWithReason<EInOutError>(error, code);
}

std::string FullPath(const std::string& hostPath) {
    if (!hostPath.empty() && hostPath[0] == '/') {
        return FromNativeText(hostPath);
    }
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        return FromNativeText(hostPath);
    }
    return FromNativeText(std::string(cwd) + "/" + hostPath);
}

// Nothing is written through a link met in the target: it is refused, not replaced.
[[noreturn]] void ThrowLinkRefused(const std::string& hostPath) {
    throw Exception("\"" + FullPath(hostPath) + "\" is a symbolic link: refused, nothing is written through links");
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// A directory of a walk's target, held by its descriptor: every level below it is opened relative to it.
struct HeldDirectory final : FileSystem::Directory {
    explicit HeldDirectory(int fd) : descriptor(fd) {}
    FileDescriptor descriptor;
};

// A file of a walk, written where no one sees it and given its name only when it is whole: an anonymous file of the
// held directory (O_TMPFILE), or where the file system has none a hidden name of its own there. Until Close the
// name keeps whatever stood at it, so a block that does not decode, a failed write or a killed process leaves the
// old file as it was, and an anonymous file leaves nothing at all behind.
class DirectoryFile final : public FileSystem::NewFile {
  public:
    DirectoryFile(int directory, std::string name, std::string fullPath)
        : directory_(directory), name_(std::move(name)), fullPath_(std::move(fullPath)) {
        fd_ = openat(directory_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            hidden_ = HiddenName();
            fd_ = openat(directory_, hidden_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        }
        if (fd_ < 0) {
            const int error = errno;
            ThrowWithReason<EFCreateError>(error, fullPath_, SystemText(error));
        }
    }
    ~DirectoryFile() override { Remove(); }
    DirectoryFile(const DirectoryFile&) = delete;
    DirectoryFile& operator=(const DirectoryFile&) = delete;

    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        while (count > 0) {
            const ssize_t written = write(fd_, bytes, static_cast<std::size_t>(count));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                ThrowWithReason<EWriteError>(written < 0 ? errno : EIO);
            }
            bytes += written;
            count -= static_cast<std::int32_t>(written);
        }
    }
    // Gives the file its name: linked there when the name is free, else linked to a hidden name and renamed over
    // what stands there, the name alone (a link is replaced, not followed; a hard link's other names keep theirs).
    void Close() override {
        if (hidden_.empty() && LinkAt(name_) != 0) {
            if (errno != EEXIST) {
                Fail(errno);
            }
            hidden_ = HiddenName();
            if (LinkAt(hidden_) != 0) {
                Fail(errno);
            }
        }
        if (!hidden_.empty() && renameat(directory_, hidden_.c_str(), directory_, name_.c_str()) != 0) {
            Fail(errno);
        }
        hidden_.clear();
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0 && errno != EINTR) {
            ThrowWithReason<EWriteError>(errno);
        }
    }
    void Remove() override {
        if (fd_ >= 0) {
            close(std::exchange(fd_, -1));
        }
        if (!hidden_.empty()) {
            unlinkat(directory_, hidden_.c_str(), 0);
            hidden_.clear();
        }
    }

  private:
    static std::string HiddenName() {
        static std::atomic<unsigned> counter{0};
        return ".qpack-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    }
    int LinkAt(const std::string& name) const { return LinkAnonymousFile(fd_, directory_, name.c_str()); }
    // The name could not be given: the file goes, and what stood at the name stays.
    [[noreturn]] void Fail(int error) {
        Remove();
        ThrowWithReason<EFCreateError>(error, fullPath_, SystemText(error));
    }

    int fd_ = -1;
    int directory_;
    std::string name_;
    std::string fullPath_;
    std::string hidden_;  // the name it has while it is written, when it has one
};

bool IsLinkAt(int directory, const std::string& name) {
    struct stat info {};
    return fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

class PosixFileSystem final : public FileSystem {
  public:
    PosixFileSystem(FileRead read, TargetHook beforeChange)
        : read_(std::move(read)), beforeChange_(std::move(beforeChange)) {}

    bool IsDirectory(const std::string& path) override {
        struct stat info {};
        return stat(HostPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    bool IsFile(const std::string& path) override {
        struct stat info {};
        return stat(HostPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    }

    void CreateDirectoryLevel(const std::string& path) override {
        if (mkdir(HostPath(path).c_str(), 0777) != 0) {
            const int error = errno;
            ThrowInOutError(error, WindowsCodeFor(error));
        }
    }

    void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) override {
        const std::string host = HostPath(path);
        // No link is followed and nothing but a regular file is replaced: a FIFO would block the open, a device
        // would take the bytes. Checked before the open and again on what it opened (O_NONBLOCK keeps a FIFO
        // put there in between from blocking).
        struct stat info {};
        const bool exists = lstat(host.c_str(), &info) == 0;
        if (exists && S_ISLNK(info.st_mode)) {
            ThrowLinkRefused(host);
        }
        if (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
            throw EFCreateError(FullPath(host), "not a regular file");
        }
        const FileDescriptor file(open(host.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
        if (file.Get() < 0 && errno == ELOOP) {
            ThrowLinkRefused(host);
        }
        if (file.Get() < 0) {
            const int error = errno;
            throw EFCreateError(FullPath(host), SystemText(error));
        }
        if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            throw EFCreateError(FullPath(host), "not a regular file");
        }
        if (ftruncate(file.Get(), 0) != 0) {
            throw EWriteError();
        }
        while (size > 0) {
            const ssize_t written = write(file.Get(), data, size);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                throw EWriteError();
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override {
        const std::string host = HostPath(path);
        const FileDescriptor file(open(host.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat info {};
        if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode)) {
            const int error = file.Get() < 0 ? errno : EISDIR;
            throw EFOpenError(FullPath(host), SystemText(error));
        }
        return ReadWholeOpenFile(file.Get(), static_cast<std::uint64_t>(info.st_size), read_);
    }

    // openat and mkdirat relative to the level above, with O_NOFOLLOW and O_DIRECTORY: a level swapped for a link
    // after its parent was opened is never followed, however long ago the parent was checked.
    std::unique_ptr<Directory> OpenDirectory(const Directory* parent,
                                             const std::string& path,
                                             const std::string& name,
                                             bool create) override {
        if (beforeChange_) {
            beforeChange_(path);
        }
        const int at = parent != nullptr ? static_cast<const HeldDirectory*>(parent)->descriptor.Get() : AT_FDCWD;
        const std::string host = parent != nullptr ? ToNativeText(name, false) : HostPath(path);
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int fd = openat(at, host.c_str(), kFlags);
        int error = errno;
        if (fd < 0 && error == ENOENT && create) {  // a link there, dangling or not, fails with ELOOP instead
            if (mkdirat(at, host.c_str(), 0777) != 0) {
                error = errno;
                if (!IsLinkAt(at, host)) {
                    ThrowInOutError(error, WindowsCodeFor(error));
                }
            }
            fd = openat(at, host.c_str(), kFlags);
            error = errno;
        }
        if (fd >= 0) {
            return std::make_unique<HeldDirectory>(fd);
        }
        if (IsLinkAt(at, host)) {
            ThrowLinkRefused(HostPath(path));
        }
        if (error == ENOTDIR) {
            ThrowInOutError(error, create ? SystemError::AlreadyExists : SystemError::PathNotFound);
        }
        ThrowInOutError(error, error == ENOENT ? SystemError::PathNotFound : WindowsCodeFor(error));
    }

    std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                           const std::string& path,
                                           const std::string& name) override {
        if (beforeChange_) {
            beforeChange_(path);
        }
        const int at = static_cast<const HeldDirectory&>(directory).descriptor.Get();
        const std::string host = ToNativeText(name, false);
        // A directory at the name stays, and says so now rather than once the content is written.
        struct stat info {};
        if (fstatat(at, host.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
            ThrowWithReason<EFCreateError>(EEXIST, FullPath(HostPath(path)), SystemText(EEXIST));
        }
        return std::make_unique<DirectoryFile>(at, host, FullPath(HostPath(path)));
    }

  private:
    FileRead read_;
    TargetHook beforeChange_;
};

}  // namespace

std::int64_t SystemFileRead(std::intptr_t file, void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = read(static_cast<int>(file), buffer, count);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

std::unique_ptr<FileSystem> MakeNativeFileSystem(FileRead read, TargetHook beforeChange) {
    return std::make_unique<PosixFileSystem>(std::move(read), std::move(beforeChange));
}

char NativeSeparator() {
    return '/';
}

std::string ToNativeText(const std::string& text, bool separators) {
    std::string utf8 = Cp1252ToUtf8(text);
    if (separators) {
        for (char& c : utf8) {
            if (c == '\\') {
                c = '/';
            }
        }
    }
    return utf8;
}

std::string FromNativeText(const std::string& text) {
    auto converted = Utf8ToCp1252(text);
    if (!converted) {
        throw Exception(IsWellFormedUtf8(text)
                            ? "not representable in Windows-1252: " + text
                            : "not well-formed UTF-8 (overlong form, surrogate or cut sequence): " + text);
    }
    return *converted;
}

}  // namespace quibel
