#pragma once
// A package on the host's disk, read piece by piece where the walk reaches it: list, verify and extract never
// hold it whole, so that the 32-bit qpack.exe checks an installer larger than its address space.

#include <cstdio>
#include <filesystem>

#include "payload/ByteSource.h"

namespace quibel::qpack {

class PackageFile final : public ByteSource {
  public:
    // Throws PackError naming the path when it is no regular file or cannot be opened.
    explicit PackageFile(const std::filesystem::path& path);
    ~PackageFile() override;
    PackageFile(const PackageFile&) = delete;
    PackageFile& operator=(const PackageFile&) = delete;

    std::int64_t Size() const override { return size_; }
    // Throws PackError naming the path when the system fails to read.
    std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count) override;

  private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
};

}  // namespace quibel::qpack
