#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/common/DisplayPath.h"

#include <cerrno>
#include <cstring>

#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/RegularFile.h"

namespace quibel::qpack {

namespace {

// Offsets beyond 2 GiB on every host, the 32-bit Windows one included.
int Seek(std::FILE* file, std::int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, offset, origin);
#else
    return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

std::int64_t Tell(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

}  // namespace

PackageFile::PackageFile(const std::filesystem::path& path) : path_(path) {
    RequireRegularFile(path);
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"rb");
#else
    file_ = std::fopen(path.c_str(), "rb");
#endif
    if (file_ == nullptr || Seek(file_, 0, SEEK_END) != 0 || (size_ = Tell(file_)) < 0) {
        const std::string reason = std::strerror(errno);
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        throw PackError(DisplayPath(path) + ": cannot be read: " + reason);
    }
}

PackageFile::~PackageFile() {
    std::fclose(file_);
}

std::size_t PackageFile::ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (offset < 0 || offset >= size_ || count == 0) {
        return 0;
    }
    if (Seek(file_, offset, SEEK_SET) != 0) {
        throw PackError(DisplayPath(path_) + ": cannot be read at offset " + std::to_string(offset) + ": " +
                        std::strerror(errno));
    }
    const std::size_t got = std::fread(buffer, 1, count, file_);
    if (got < count && std::ferror(file_)) {
        throw PackError(DisplayPath(path_) + ": cannot be read at offset " + std::to_string(offset) + ": " +
                        std::strerror(errno));
    }
    return got;
}

}  // namespace quibel::qpack
