#pragma once
// Files made with O_TMPFILE have no name until one is linked to them: through /proc/self/fd, so that no privilege
// beyond the directory's is needed (AT_EMPTY_PATH would need CAP_DAC_READ_SEARCH).

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace quibel {

// Links the anonymous file open as fd at name, relative to directory (AT_FDCWD for the current one); linkat's
// result, errno set on failure (EEXIST when something stands at the name).
inline int LinkAnonymousFile(int fd, int directory, const char* name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), directory, name, AT_SYMLINK_FOLLOW);
}

}  // namespace quibel
