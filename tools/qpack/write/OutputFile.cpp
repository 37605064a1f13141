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
constexpr const char* kInfix = ".qpack-";
constexpr std::size_t kSuffixLength = 16;

// Hidden files a killed qpack left in the directory: each removed unless a live qpack holds its lock.
void RemoveLeftTemporaries(const std::filesystem::path& directory) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory.empty() ? "." : directory, error), end; !error && it != end;
         it.increment(error)) {
        if (OutputFile::IsTemporaryName(HostBytes(it->path().filename()))) {
            RemoveUnlockedFile(it->path());
        }
    }
}

}  // namespace

std::string OutputFile::RandomSuffix() {
    std::random_device random;
    const std::uint64_t value = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool OutputFile::IsTemporaryName(const std::string& name) {
    const std::size_t infix = name.rfind(kInfix);
    return name.size() > 1 && name[0] == '.' && infix != std::string::npos && infix > 1 &&
           name.size() == infix + std::strlen(kInfix) + kSuffixLength &&
           name.find_first_not_of("0123456789abcdef", infix + std::strlen(kInfix)) == std::string::npos;
}

OutputFile::OutputFile(const std::filesystem::path& target, const std::function<std::string()>& drawSuffix, Way way)
    : target_(target), drawSuffix_(drawSuffix) {
    RemoveLeftTemporaries(target.parent_path());
    if (way != Way::Anonymous || !CreateAnonymous()) {
        CreateHidden();
    }
}

std::filesystem::path OutputFile::DrawTemporary() const {
    std::filesystem::path name = ".";
    name += target_.filename();
    name += kInfix + drawSuffix_();
    return target_.parent_path() / name;
}

bool OutputFile::CreateAnonymous() {
    const NewFile created = CreateAnonymousFile(target_.parent_path());
    if (created.file != nullptr && !LockFile(created.file)) {
        std::fclose(created.file);
        return false;
    }
    file_ = created.file;
    return file_ != nullptr;
}

void OutputFile::CreateHidden() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = DrawTemporary();
        const InterruptsHeld held;  // an interruption right after the creation still finds the file armed
        const NewFile created = CreateNewFile(candidate);
        if (created.file != nullptr) {
            temporary_ = candidate;
            file_ = created.file;
            removedOnInterrupt_ = std::make_unique<RemovedOnInterrupt>(temporary_);
            if (LockFile(file_) && NamesFile(temporary_, file_)) {
                return;
            }
            Discard();  // removed by another qpack before it was locked: it took the file for a dead one's
            continue;
        }
        if (!created.alreadyExists) {
            throw PackError(DisplayPath(target_) + ": cannot be created: " + created.error);
        }
    }
    throw PackError(DisplayPath(target_) + ": cannot be created: no free temporary name beside it");
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

// The anonymous file takes a hidden name beside the target, locked as it is, for the rename.
void OutputFile::NameAnonymous() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = DrawTemporary();
        const InterruptsHeld held;
        const NewFile named = NameAnonymousFile(file_, candidate);
        if (named.error.empty()) {
            temporary_ = candidate;
            removedOnInterrupt_ = std::make_unique<RemovedOnInterrupt>(temporary_);
            return;
        }
        if (!named.alreadyExists) {
            throw PackError(DisplayPath(target_) + ": cannot be named: " + named.error);
        }
    }
    throw PackError(DisplayPath(target_) + ": cannot be named: no free temporary name beside it");
}

void OutputFile::Commit() {
    std::string error = SyncFile(file_);
    if (!error.empty()) {
        Discard();
        throw PackError(DisplayPath(target_) + ": write failed: " + error);
    }
    if (temporary_.empty()) {
        NameAnonymous();
    }
    error = ReplaceWithSync(temporary_, target_);  // while the file is open, and so locked
    if (!error.empty()) {
        Discard();
        throw PackError(DisplayPath(target_) + ": cannot be replaced: " + error);
    }
    removedOnInterrupt_.reset();
    temporary_.clear();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) {
        throw PackError(DisplayPath(target_) + ": write failed: " + std::strerror(errno));
    }
}

void OutputFile::Discard() {
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
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
