#pragma once
// One lh5 segment: its symbol count, the three code-length lists, then the symbols.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/qpack/encoder/BitWriter.h"
#include "tools/qpack/encoder/HuffmanCode.h"
#include "tools/qpack/encoder/Lh5Format.h"

namespace quibel::qpack {

struct SymbolHistogram {
    std::array<std::uint32_t, MainSymbolCount> main{};
    std::array<std::uint32_t, OffsetSymbolCount> offset{};
    std::uint32_t symbols = 0;

    static SymbolHistogram Of(std::span<const Symbol> symbols);

    void Add(const Symbol& symbol);
    void Add(const SymbolHistogram& other);
    // This histogram less a part of it.
    SymbolHistogram Without(const SymbolHistogram& part) const;
};

// The codes of one segment and what it costs in bits, worked out from its histogram.
struct SegmentPlan {
    HuffmanCode main;
    HuffmanCode offset;
    HuffmanCode lengthCode;
    std::uint64_t headerBits = 0;
    std::uint64_t totalBits = 0;  // header and symbols
};

SegmentPlan PlanSegment(const SymbolHistogram& histogram);
// PlanSegment(histogram).totalBits.
std::uint64_t SegmentBits(const SymbolHistogram& histogram);
// The plan of fewest bits among codes built also from smoothed counts: slower, for the segment to be written.
SegmentPlan SmallestPlan(const SymbolHistogram& histogram);
// Slower still: codes whose lengths are chosen for the bits of the symbols and of the lengths together.
SegmentPlan FewestBitsPlan(const SymbolHistogram& histogram, LengthCostWork& work);

// Writes a segment of 1 to MaxSegmentSymbols symbols whose histogram the plan was made from.
void WriteSegment(BitWriter& out, const SegmentPlan& plan, std::span<const Symbol> symbols);

}  // namespace quibel::qpack
