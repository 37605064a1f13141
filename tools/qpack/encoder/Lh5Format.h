#pragma once
// The parameters of the lh5 bit stream that the encoder writes and the installer's decoder reads.

#include <bit>
#include <cstdint>

namespace quibel::qpack {

inline constexpr int WindowSize = 8192;  // a match reaches at most this many bytes back
inline constexpr int MinMatchLength = 3;
inline constexpr int MaxMatchLength = 256;
inline constexpr int LiteralCount = 256;
// Main set: literals 0-255, then the match lengths 3-256 as symbols 256-509.
inline constexpr int MainSymbolCount = LiteralCount + MaxMatchLength - MinMatchLength + 1;
inline constexpr int MatchSymbolBase = LiteralCount - MinMatchLength;  // symbol = MatchSymbolBase + length
inline constexpr int OffsetSymbolCount = 14;  // offsets 0-8191: 0, then 2^(v-1) + (v-1) extra bits
inline constexpr int LengthCodeCount = 19;    // codes of the main set's lengths: 0, two zero-run codes, 1-16
inline constexpr int MaxCodeLength = 16;
inline constexpr int MaxSegmentSymbols = 65535;  // the 16-bit count; 0 (65,536) is never written

inline constexpr int MainCountBits = 9;
inline constexpr int OffsetCountBits = 4;
inline constexpr int LengthCodeCountBits = 5;

static_assert(MainSymbolCount == 510);
static_assert((1 << MainCountBits) > MainSymbolCount);
static_assert((1 << OffsetCountBits) > OffsetSymbolCount);
static_assert((1 << LengthCodeCountBits) > LengthCodeCount);
static_assert(WindowSize == 1 << (OffsetSymbolCount - 1), "the largest offset symbol reaches the window's end");

// The offset symbol of a match distance (1 to WindowSize): the bit width of distance - 1.
inline int OffsetSymbolOf(int distance) {
    return std::bit_width(static_cast<unsigned>(distance - 1));
}

// One main-set symbol with its match distance (0 for a literal).
struct Symbol {
    std::uint16_t main;
    std::uint16_t distance;
};

}  // namespace quibel::qpack
