#pragma once
// Length-limited canonical Huffman codes for the three symbol sets of a segment.

#include <cstdint>
#include <span>
#include <vector>

namespace quibel::qpack {

struct HuffmanCode {
    // Lengths 0 (no code) to maxLength; the used lengths form a complete code when two or more symbols are used.
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;  // canonical: ascending (length, symbol) take consecutive codes
    int usedSymbols = 0;
    int singleSymbol = 0;  // the one symbol when usedSymbols is 0 or 1 (then sent with n = 0, no bits per use)

    bool IsSingle() const { return usedSymbols <= 1; }
};

// Builds the code for the given frequencies; deterministic (ties go by symbol number).
HuffmanCode BuildHuffmanCode(std::span<const std::uint32_t> frequencies, int maxLength);

}  // namespace quibel::qpack
