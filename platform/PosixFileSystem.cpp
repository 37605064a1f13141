// The host file system for qpack and the native tests: "\" separators become "/", Windows-1252 names become
// UTF-8, and errno values become the Windows error codes whose messages the system shows.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
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

class PosixFileSystem final : public FileSystem {
  public:
    explicit PosixFileSystem(FileRead read) : read_(std::move(read)) {}

    bool IsDirectory(const std::string& path) override {
        struct stat info {};
        return stat(HostPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    bool IsFile(const std::string& path) override {
        struct stat info {};
        return stat(HostPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    }

    void RefuseLink(const std::string& path) override {
        const std::string host = HostPath(path);
        struct stat info {};
        if (lstat(host.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            ThrowLinkRefused(host);
        }
    }

    void CreateDirectoryLevel(const std::string& path) override {
        if (mkdir(HostPath(path).c_str(), 0777) != 0) {
            throw EInOutError(WindowsCodeFor(errno));
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

  private:
    FileRead read_;
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

std::unique_ptr<FileSystem> MakeNativeFileSystem(FileRead read) {
    return std::make_unique<PosixFileSystem>(std::move(read));
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
