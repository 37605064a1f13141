#pragma once
// Appends bits to a byte string, most significant bit first, as the lh5 decoder reads them.

#include <cstdint>
#include <vector>

namespace quibel::qpack {

class BitWriter {
  public:
    // Appends the low count bits of value (count from 0 to 24).
    void Write(std::uint32_t value, int count) {
        accumulator_ = (accumulator_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ >> pending_));
        }
    }

    std::uint64_t BitCount() const { return bytes_.size() * 8 + static_cast<std::uint64_t>(pending_); }

    // The bytes written, the last one padded with zero bits.
    std::vector<std::uint8_t> Finish() {
        if (pending_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ << (8 - pending_)));
            pending_ = 0;
        }
        return std::move(bytes_);
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t accumulator_ = 0;
    int pending_ = 0;  // bits of the accumulator not yet in bytes_
};

}  // namespace quibel::qpack
