#include "tools/qpack/write/OutputFile.h"
#include "tools/qpack/common/DisplayPath.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "tools/qpack/common/PackError.h"
#include "tools/qpack/tree/HostLinks.h"

namespace quibel::qpack {

namespace {

constexpr int kNameAttempts = 100;

}  // namespace

std::string OutputFile::RandomSuffix() {
    std::random_device random;
    const std::uint64_t value = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

OutputFile::OutputFile(const std::filesystem::path& target, const std::function<std::string()>& drawSuffix)
    : target_(target) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::filesystem::path candidate = target;
        candidate += ".qpack-" + drawSuffix();
        const InterruptsHeld held;  // an interruption right after the creation still finds the file armed
        const NewFile created = CreateNewFile(candidate);
        if (created.file != nullptr) {
            temporary_ = candidate;
            file_ = created.file;
            removedOnInterrupt_ = std::make_unique<RemovedOnInterrupt>(temporary_);
            return;
        }
        if (!created.alreadyExists) {
            throw PackError(DisplayPath(target) + ": cannot be created: " + created.error);
        }
    }
    throw PackError(DisplayPath(target) + ": cannot be created: no free temporary name beside it");
}

OutputFile::~OutputFile() {
    Discard();
}

void OutputFile::Write(const std::uint8_t* bytes, std::size_t count) {
    if (count > 0 && std::fwrite(bytes, 1, count, file_) != count) {
        throw PackError(DisplayPath(target_) + ": write failed: " + std::strerror(errno));
    }
    written_ += count;
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
    removedOnInterrupt_.reset();
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
    removedOnInterrupt_.reset();
}

void RefuseOutputOverInput(const std::filesystem::path& output,
                           const std::filesystem::path& input,
                           const std::string& what) {
    std::error_code different;
    if (std::filesystem::equivalent(output, input, different)) {
        throw PackError(DisplayPath(output) + ": the output would replace " + what + " " + DisplayPath(input) +
                        "; write it elsewhere");
    }
}

// By identity, not by path: a bind mount, or a drive letter mapped onto the tree (as subst does), names the tree
// by another path. The output itself (naming the tree), its directory with links resolved, then each directory
// above that are compared with the tree's root.
void RefuseOutputInsideInput(const std::filesystem::path& output, const std::filesystem::path& inputTree) {
    const auto tree = IdentityOf(inputTree);
    std::error_code error;
    std::filesystem::path directory =
        std::filesystem::weakly_canonical(std::filesystem::absolute(output, error).parent_path(), error);
    if (!tree || error) {
        return;  // the scan or the creation names the problem
    }
    bool inside = IdentityOf(output) == tree;
    while (!inside) {
        inside = IdentityOf(directory) == tree;
        if (!directory.has_relative_path()) {
            break;
        }
        directory = directory.parent_path();
    }
    if (inside) {
        throw PackError(DisplayPath(output) + ": the output lies inside the input tree " + DisplayPath(inputTree) +
                        "; write it elsewhere");
    }
}

}  // namespace quibel::qpack
