#pragma once
// An output file that appears whole or not at all: bytes go to a temporary file beside the target, which is
// renamed over the target on Commit and removed if the command fails before.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace quibel::qpack {

class OutputFile {
  public:
    explicit OutputFile(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const std::vector<std::uint8_t>& bytes);
    std::uint64_t BytesWritten() const { return written_; }
    void Commit();

  private:
    void Discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    std::uint64_t written_ = 0;
};

}  // namespace quibel::qpack
