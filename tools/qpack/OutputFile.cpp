#include "tools/qpack/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "tools/qpack/PackError.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

OutputFile::OutputFile(const std::filesystem::path& target) : target_(target) {
    temporary_ = target;
    temporary_ += ".qpack-partial";
#ifdef _WIN32
    file_ = _wfopen(temporary_.c_str(), L"wb");
#else
    file_ = std::fopen(temporary_.c_str(), "wb");
#endif
    if (file_ == nullptr) {
        throw PackError(DisplayPath(target) + ": cannot be created: " + std::strerror(errno));
    }
}

OutputFile::~OutputFile() {
    Discard();
}

void OutputFile::Write(const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        throw PackError(DisplayPath(target_) + ": write failed: " + std::strerror(errno));
    }
    written_ += bytes.size();
}

void OutputFile::Commit() {
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) {
        Discard();
        throw PackError(DisplayPath(target_) + ": write failed: " + std::strerror(errno));
    }
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        Discard();
        throw PackError(DisplayPath(target_) + ": cannot be replaced: " + error.message());
    }
    temporary_.clear();
}

void OutputFile::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

}  // namespace quibel::qpack
