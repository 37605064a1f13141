#pragma once
// Where a package's bytes come from when they are read as they are walked instead of being held whole: a file
// read piece by piece (qpack, whose 32-bit build must check packages larger than its address space), or bytes
// already in memory. The counterpart of ByteSink.h.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace quibel {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Copies up to count bytes from offset into buffer and returns how many: fewer only at the end of the data.
    // A failure to read (an I/O error) throws.
    virtual std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count) = 0;
};

// Bytes that lie in memory already (and stay there while the source is used).
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count) override {
        if (offset < 0 || offset >= Size()) {
            return 0;
        }
        const std::size_t n = std::min(count, bytes_.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, bytes_.data() + offset, n);
        return n;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace quibel
