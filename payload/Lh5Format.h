#pragma once
// The constants of the lh5 method as the decoder uses them: window, match lengths, the three symbol sets and
// their length-list fields, and the first-level table sizes.

#include <cstdint>

namespace quibel::lh5 {

inline constexpr int WindowSize = 8192;  // match distances 1..8,192; also the largest output write
inline constexpr int ChunkSize = WindowSize;
inline constexpr int MinMatch = 3;
inline constexpr int MaxMatch = 256;
inline constexpr int MaxCodeLength = 16;
inline constexpr std::uint32_t CompleteCodeSum = 1u << MaxCodeLength;  // sum of 2^(16 - length) of a complete code
inline constexpr std::uint32_t SegmentCountBits = 16;                  // 0 stands for 65,536 symbols
inline constexpr std::uint32_t MaxSegmentSymbols = 1u << SegmentCountBits;

// Main set: literals 0..255, then matches of MinMatch..MaxMatch bytes.
inline constexpr int LiteralCount = 256;
inline constexpr int MainSymbols = LiteralCount + MaxMatch - MinMatch + 1;
inline constexpr int MainCountBits = 9;
inline constexpr int MainTableBits = 12;

// Offset set: symbol v > 0 stands for 2^(v-1) plus v - 1 extra bits; 0 for offset 0 (distance 1).
inline constexpr int OffsetSymbols = 14;
inline constexpr int OffsetCountBits = 4;

// Length-code set: 0, 1 and 2 are zero runs, 3..18 the lengths 1..16.
inline constexpr int LengthCodeSymbols = 19;
inline constexpr int LengthCodeCountBits = 5;
inline constexpr int LengthCodeZeroRunAfter = 3;  // a 2-bit zero run follows the third length
inline constexpr int LengthCodeZeroRunBits = 2;
inline constexpr int ShortZeroRunBits = 4;  // symbol 1: 3..18 zero lengths
inline constexpr int ShortZeroRunBase = 3;
inline constexpr int LongZeroRunBits = 9;  // symbol 2: 20..531 zero lengths
inline constexpr int LongZeroRunBase = 20;
inline constexpr int FirstLengthSymbol = 3;  // symbol v gives the length v - 2

// Small-set length coding: 3 bits, and from 7 up a unary tail of 1 bits closed by a 0.
inline constexpr int SmallLengthBits = 3;
inline constexpr int SmallLengthEscape = 7;

inline constexpr int SmallTableBits = 8;  // offset and length-code sets share one table

static_assert(MainSymbols == 510);
static_assert((1 << MainCountBits) > MainSymbols, "the count field can name every main symbol");
static_assert((1 << OffsetCountBits) > OffsetSymbols && (1 << LengthCodeCountBits) > LengthCodeSymbols);
static_assert(LengthCodeSymbols == FirstLengthSymbol + MaxCodeLength, "every code length has its symbol");
static_assert((1 << (OffsetSymbols - 2)) * 2 == WindowSize, "the largest offset symbol reaches one window back");
static_assert(MainTableBits <= MaxCodeLength && SmallTableBits <= MaxCodeLength);

}  // namespace quibel::lh5
