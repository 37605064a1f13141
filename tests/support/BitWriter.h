#pragma once
// Builds bit streams for decoder tests: values are appended most significant bit first, bytes filled from their
// top bit down, as the lh5 bit stream reads them.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quibel::testing {

class BitWriter {
  public:
    // Appends the low `count` bits (0..32) of value.
    BitWriter& Put(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1));
            if (++filled_ == 8) {
                bytes_.push_back(current_);
                current_ = 0;
                filled_ = 0;
            }
        }
        return *this;
    }

    // `count` one bits.
    BitWriter& Ones(int count) {
        for (int i = 0; i < count; ++i) {
            Put(1, 1);
        }
        return *this;
    }

    // The bytes so far, the last one padded with zero bits.
    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> bytes = bytes_;
        if (filled_ != 0) {
            bytes.push_back(static_cast<std::uint8_t>(current_ << (8 - filled_)));
        }
        return bytes;
    }

    std::size_t BitCount() const { return bytes_.size() * 8 + static_cast<std::size_t>(filled_); }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

// A compressed block: the decoded size as a little-endian int32, then the bit stream.
inline std::vector<std::uint8_t> MakeBlock(std::int32_t decodedSize, const std::vector<std::uint8_t>& bits) {
    const auto size = static_cast<std::uint32_t>(decodedSize);
    std::vector<std::uint8_t> block(4 + bits.size());
    for (int i = 0; i < 4; ++i) {
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    std::copy(bits.begin(), bits.end(), block.begin() + 4);
    return block;
}

}  // namespace quibel::testing
