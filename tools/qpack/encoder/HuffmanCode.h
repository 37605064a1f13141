#pragma once
// Length-limited canonical Huffman codes for the three symbol sets of a segment.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quibel::qpack {

// The largest symbol set and code length the builders take: lh5's main set has 510 symbols.
inline constexpr std::size_t kMaxHuffmanSymbols = 512;
inline constexpr int kMaxHuffmanLength = 16;

struct HuffmanCode {
    // Lengths 0 (no code) to maxLength; the used lengths form a complete code when two or more symbols are used.
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;  // canonical: ascending (length, symbol) take consecutive codes
    int usedSymbols = 0;
    int singleSymbol = 0;  // the one symbol when usedSymbols is 0 or 1 (then sent with n = 0, no bits per use)

    bool IsSingle() const { return usedSymbols <= 1; }
};

// Builds the code for the given frequencies; deterministic (ties go by symbol number). At most kMaxHuffmanSymbols
// symbols and kMaxHuffmanLength bits (std::length_error beyond).
HuffmanCode BuildHuffmanCode(std::span<const std::uint32_t> frequencies, int maxLength);
// The lengths alone of that code (0 for unused symbols; none either when fewer than two are used), without
// allocating.
void HuffmanLengths(std::span<const std::uint32_t> frequencies, int maxLength, std::span<std::uint8_t> lengths);
// BuildHuffmanCode without the codes (codes left empty): what costs are worked out from.
HuffmanCode BuildHuffmanLengths(std::span<const std::uint32_t> frequencies, int maxLength);
// Fills codes (sized like lengths) with the canonical codes of the lengths.
void AssignCanonicalCodes(HuffmanCode& code, int maxLength);

// The complete code of least total cost when each used symbol costs its length times its frequency plus
// lengthCost[length] (what sending that length takes); lengthCost has maxLength + 1 entries, and the total must
// stay below 2^30 (segment counts and header bits do). Lengths only.
HuffmanCode BuildCodeForLengthCosts(std::span<const std::uint32_t> frequencies,
                                    int maxLength,
                                    std::span<const std::uint32_t> lengthCost);

// Its working memory, for a caller that builds many such codes: it grows to the most symbols seen and is kept.
struct LengthCostWork {
    std::vector<std::uint32_t> here;
    std::vector<std::uint32_t> below;
    std::vector<std::uint8_t> take;
};
HuffmanCode BuildCodeForLengthCosts(std::span<const std::uint32_t> frequencies,
                                    int maxLength,
                                    std::span<const std::uint32_t> lengthCost,
                                    LengthCostWork& work);

}  // namespace quibel::qpack
