#pragma once
// The simplest valid compressed block: every byte sent as a literal with an 8-bit code. Each segment of up to
// 65,535 literals carries a length-code set of one symbol (length 8, sent with n = 0), a main list of 256 lengths
// that take no bits, and an offset set of one symbol; the literal codes are then the bytes themselves.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quibel::testing {

class BitSink {
  public:
    void Put(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1));
            if (++filled_ == 8) {
                bytes.push_back(current_);
                current_ = 0;
                filled_ = 0;
            }
        }
    }
    void Flush() {
        if (filled_ != 0) {
            Put(0, 8 - filled_);
        }
    }
    std::vector<std::uint8_t> bytes;

  private:
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

inline std::vector<std::uint8_t> LiteralBlock(const std::vector<std::uint8_t>& content) {
    BitSink bits;
    const auto size = static_cast<std::uint32_t>(content.size());
    for (int shift = 0; shift < 32; shift += 8) {
        bits.Put(size >> shift & 0xFF, 8);
    }
    for (std::size_t start = 0; start < content.size(); start += 65535) {
        const std::size_t count = std::min<std::size_t>(65535, content.size() - start);
        bits.Put(static_cast<std::uint32_t>(count), 16);
        bits.Put(0, 5);    // length-code list: n = 0 ...
        bits.Put(10, 5);   // ... and its one symbol, "a length of 8"
        bits.Put(256, 9);  // main list: 256 lengths, each that symbol
        bits.Put(0, 4);    // offset list: n = 0 ...
        bits.Put(0, 4);    // ... symbol 0
        for (std::size_t i = start; i < start + count; ++i) {
            bits.Put(content[i], 8);
        }
    }
    bits.Flush();
    return bits.bytes;
}

}  // namespace quibel::testing
