#include "tools/qpack/common/RegularFile.h"
#include "tools/qpack/common/DisplayPath.h"

#include <system_error>

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

namespace {

const char* KindOf(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::directory:
            return "a directory";
        case std::filesystem::file_type::fifo:
            return "a FIFO";
        case std::filesystem::file_type::character:
        case std::filesystem::file_type::block:
            return "a device";
        case std::filesystem::file_type::socket:
            return "a socket";
        default:
            return "no regular file";
    }
}

}  // namespace

void RequireRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
        return;
    }
    throw PackError(DisplayPath(path) + ": " + KindOf(status.type()) + ", not a file (only a regular file is read; " +
                    "refused unread)");
}

}  // namespace quibel::qpack
