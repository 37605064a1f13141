#include "tools/qpack/tree/HostFile.h"
#include "tools/qpack/common/DisplayPath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

namespace {

#ifdef _WIN32

// Windows follows the link at a name when it opens a file (and Wine follows Unix links whatever it is asked): a
// file swapped for a link is found by its identity instead.
class OpenedFile {
  public:
    OpenedFile(const std::filesystem::path& path, bool)
        : handle_(CreateFileW(path.c_str(),
                              GENERIC_READ,
                              FILE_SHARE_READ,
                              nullptr,
                              OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr)) {
        if (handle_ == INVALID_HANDLE_VALUE) {
            problem_ = "cannot be read: " + std::system_category().message(static_cast<int>(GetLastError()));
        }
    }
    ~OpenedFile() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    std::optional<HostFileFacts> Facts() {
        BY_HANDLE_FILE_INFORMATION info;
        if (handle_ == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle_, &info)) {
            problem_ = problem_.empty() ? "cannot be read" : problem_;
            return std::nullopt;
        }
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            problem_ = "not a regular file";
            return std::nullopt;
        }
        return HostFileFacts{
            {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow},
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow};
    }
    // Bytes read, 0 at the end, -1 on failure.
    std::int64_t Read(std::uint8_t* buffer, std::size_t count) {
        DWORD got = 0;
        return ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr) ? got : -1;
    }
    bool Seek(std::uint64_t offset) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
    }
    const std::string& Problem() const { return problem_; }

  private:
    HANDLE handle_;
    std::string problem_;
};

#else

// O_NONBLOCK: a FIFO put in a file's place must not hang the pack; it is refused as no regular file.
class OpenedFile {
  public:
    OpenedFile(const std::filesystem::path& path, bool followLinks)
        : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW))) {
        if (fd_ < 0) {
            problem_ = errno == ELOOP && !followLinks ? std::string("symbolic link, not followed")
                                                      : "cannot be read: " + std::generic_category().message(errno);
        }
    }
    ~OpenedFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    std::optional<HostFileFacts> Facts() {
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0) {
            problem_ = problem_.empty() ? "cannot be read" : problem_;
            return std::nullopt;
        }
        if (!S_ISREG(info.st_mode)) {
            problem_ = "not a regular file";
            return std::nullopt;
        }
        return HostFileFacts{{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
                             static_cast<std::uint64_t>(info.st_size)};
    }
    std::int64_t Read(std::uint8_t* buffer, std::size_t count) {
        for (;;) {
            const ssize_t got = read(fd_, buffer, count);
            if (got >= 0 || errno != EINTR) {
                return got;
            }
        }
    }
    bool Seek(std::uint64_t offset) { return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0; }
    const std::string& Problem() const { return problem_; }

  private:
    int fd_;
    std::string problem_;
};

#endif

}  // namespace

std::optional<HostFileFacts> ScanHostFile(const std::filesystem::path& path, bool followLinks, std::string& problem) {
    OpenedFile file(path, followLinks);
    const auto facts = file.Facts();
    problem = file.Problem();
    return facts;
}

std::vector<std::uint8_t> ReadScannedFile(const std::filesystem::path& path,
                                          const HostFileFacts& scanned,
                                          bool followLinks,
                                          std::uint64_t begin,
                                          std::uint64_t end) {
    OpenedFile file(path, followLinks);
    const auto facts = file.Facts();
    if (!facts) {
        throw PackError(DisplayPath(path) + ": " + file.Problem() + " (since it was scanned); nothing written");
    }
    if (!(facts->identity == scanned.identity)) {
        throw PackError(DisplayPath(path) + ": another file than the one scanned stands there now; nothing written");
    }
    if (facts->size != scanned.size) {
        throw PackError(DisplayPath(path) + ": " + std::to_string(facts->size) + " bytes, " +
                        std::to_string(scanned.size) + " when it was scanned; nothing written");
    }
    end = std::min(end, scanned.size);
    begin = std::min(begin, end);
    if (begin > 0 && !file.Seek(begin)) {
        throw PackError(DisplayPath(path) + ": cannot be read from offset " + std::to_string(begin));
    }
    std::vector<std::uint8_t> content(static_cast<std::size_t>(end - begin));
    std::size_t done = 0;
    std::uint8_t probe = 0;
    while (done < content.size()) {
        const std::int64_t got = file.Read(content.data() + done, content.size() - done);
        if (got <= 0) {
            throw PackError(DisplayPath(path) + ": cannot be read whole (changed while packing?)");
        }
        done += static_cast<std::size_t>(got);
    }
    if (end == scanned.size && file.Read(&probe, 1) != 0) {
        throw PackError(DisplayPath(path) + ": cannot be read whole (changed while packing?)");
    }
    return content;
}

}  // namespace quibel::qpack
