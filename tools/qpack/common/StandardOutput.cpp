#include "tools/qpack/common/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

namespace {

// The reason of the first failed write, which a later flush may no longer know.
int firstFailure = 0;

}  // namespace

void OpenClosedStandardStreams() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            // The lowest free descriptor is the closed one.
            if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) {
                _exit(1);
            }
        }
    }
#endif
    // Windows gives files handles of their own, never the numbers of the standard streams.
}

void WriteStandardOutput(const std::string& text, bool flush) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || (flush && std::fflush(stdout) != 0) ||
        std::ferror(stdout)) {
        firstFailure = firstFailure != 0 ? firstFailure : (errno != 0 ? errno : EIO);
        throw PackError(std::string("standard output: ") + std::strerror(firstFailure));
    }
}

void FlushStandardOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0 && firstFailure == 0) {
        firstFailure = errno != 0 ? errno : EIO;
    }
}

std::optional<std::string> StandardOutputFailure() {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout) && firstFailure == 0) {
        return std::nullopt;
    }
    const int error = firstFailure != 0 ? firstFailure : (errno != 0 ? errno : EIO);
    return std::string(std::strerror(error));
}

}  // namespace quibel::qpack
