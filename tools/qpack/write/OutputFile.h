#pragma once
// An output file that appears whole or not at all, even when the process is killed: its bytes go to a file
// without a name in the target's directory (O_TMPFILE), which is put on the disk, named beside the target and
// renamed over it on Commit, the directory put on the disk after. Where the file system has no such files (and on
// Windows), they go to a hidden file beside the target, ".NAME.qpack-" and 16 hexadecimal digits, created
// exclusively under a name nobody can guess (a link planted there is never written through) and locked while it
// is written; it is removed if the command fails or is interrupted, and one that a killed qpack left is removed
// by the next qpack writing into that directory, once no one holds its lock.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/NewFile.h"

namespace quibel::qpack {

class OutputFile {
  public:
    enum class Way { Anonymous, Hidden };  // Anonymous falls back on Hidden where it cannot be

    // drawSuffix gives the random part of the temporary name; another is drawn while something stands at it.
    explicit OutputFile(const std::filesystem::path& target,
                        const std::function<std::string()>& drawSuffix = RandomSuffix,
                        Way way = Way::Anonymous);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
    void Write(const std::uint8_t* bytes, std::size_t count);
    std::uint64_t BytesWritten() const { return written_; }
    void Commit();

    // The hidden file's name while it is written; empty for an anonymous file.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }

    // 16 hexadecimal digits from the system's random source.
    static std::string RandomSuffix();

    // True for a name of the hidden files' pattern.
    static bool IsTemporaryName(const std::string& fileName);

  private:
    bool CreateAnonymous();
    void CreateHidden();
    void NameAnonymous();
    std::filesystem::path DrawTemporary() const;
    void Discard();

    std::filesystem::path target_;
    std::function<std::string()> drawSuffix_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<RemovedOnInterrupt> removedOnInterrupt_;
    std::uint64_t written_ = 0;
};

// Throws PackError naming both paths when output would lie inside the tree that is read (it would replace an
// input, or be packed itself by the next run). Directories are compared by file identity, so that another name
// of the tree (a bind mount, a drive letter mapped onto it) is found too; the output's own name is not resolved,
// since the rename replaces a link there rather than writing through it.
void RefuseOutputInsideInput(const std::filesystem::path& output, const std::filesystem::path& inputTree);

// Throws PackError naming both paths when the output names the input file that the command reads (what: "the
// stub", say), by any of its names: writing would replace it. (An output renamed into place would spare a link or
// second name standing there; that is refused all the same, as a likely slip.)
void RefuseOutputOverInput(const std::filesystem::path& output,
                           const std::filesystem::path& input,
                           const std::string& what);

}  // namespace quibel::qpack
