#pragma once
// Appends bits to a byte string, most significant bit first, as the lh5 decoder reads them.

#include <cstdint>
#include <vector>

#include "tools/qpack/encoder/BitString.h"

namespace quibel::qpack {

class BitWriter {
  public:
    // Appends the low count bits of value (count from 0 to 24).
    void Write(std::uint32_t value, int count) {
        accumulator_ = (accumulator_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        pending_ += count;
        // Four bytes at a time: fewer appends per symbol (at most 31 + 24 bits are pending).
        if (pending_ >= 32) {
            pending_ -= 32;
            const auto word = static_cast<std::uint32_t>(accumulator_ >> pending_);
            const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                                           static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
            bytes_.insert(bytes_.end(), bytes, bytes + 4);
        }
    }

    std::uint64_t BitCount() const { return bytes_.size() * 8 + static_cast<std::uint64_t>(pending_); }

    // The bytes written, the last one padded with zero bits.
    std::vector<std::uint8_t> Finish() {
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ >> pending_));
        }
        if (pending_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ << (8 - pending_)));
            pending_ = 0;
        }
        return std::move(bytes_);
    }

    // The bits written, with their count.
    BitString FinishBits() {
        const std::uint64_t count = BitCount();
        return {Finish(), count};
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t accumulator_ = 0;
    int pending_ = 0;  // bits of the accumulator not yet in bytes_
};

}  // namespace quibel::qpack
