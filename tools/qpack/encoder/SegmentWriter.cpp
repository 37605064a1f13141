#include "tools/qpack/encoder/SegmentWriter.h"

namespace quibel::qpack {

namespace {

// Length-code symbols: 0 one zero length; 1 + 4 bits: 3 to 18 zeros; 2 + 9 bits: 20 to 531 zeros; 3 + l: length l.
struct LengthToken {
    std::uint8_t symbol;
    std::uint16_t extra;
};
constexpr int ShortRunBits = 4;
constexpr int LongRunBits = 9;
constexpr int ShortRunMin = 3;
constexpr int LongRunMin = 20;
constexpr int LengthCodeOffset = 2;

int ExtraBitsOf(std::uint8_t lengthSymbol) {
    return lengthSymbol == 1 ? ShortRunBits : (lengthSymbol == 2 ? LongRunBits : 0);
}

// Visits the main lengths up to count (one past the last nonzero one) as length-code tokens.
template <typename Visit>
void ForEachLengthToken(const std::vector<std::uint8_t>& lengths, int count, Visit visit) {
    int i = 0;
    while (i < count) {
        if (lengths[static_cast<std::size_t>(i)] != 0) {
            visit(LengthToken{static_cast<std::uint8_t>(lengths[static_cast<std::size_t>(i)] + LengthCodeOffset), 0});
            ++i;
            continue;
        }
        int run = 0;
        while (i + run < count && lengths[static_cast<std::size_t>(i + run)] == 0) {
            ++run;
        }
        i += run;
        if (run < ShortRunMin) {
            for (int k = 0; k < run; ++k) {
                visit(LengthToken{0, 0});
            }
        } else if (run < LongRunMin - 1) {
            visit(LengthToken{1, static_cast<std::uint16_t>(run - ShortRunMin)});
        } else if (run == LongRunMin - 1) {
            visit(LengthToken{0, 0});
            visit(LengthToken{1, static_cast<std::uint16_t>(run - 1 - ShortRunMin)});
        } else {
            visit(LengthToken{2, static_cast<std::uint16_t>(run - LongRunMin)});
        }
    }
}

int SentLengthCount(const std::vector<std::uint8_t>& lengths) {
    int count = static_cast<int>(lengths.size());
    while (count > 0 && lengths[static_cast<std::size_t>(count - 1)] == 0) {
        --count;
    }
    return count;
}

int SmallLengthBits(int length) {
    return length < 7 ? 3 : length - 3;
}

void WriteSmallLength(BitWriter& out, int length) {
    if (length < 7) {
        out.Write(static_cast<std::uint32_t>(length), 3);
        return;
    }
    out.Write(7, 3);
    const int ones = length - 7;
    out.Write((1u << ones) - 1, ones);
    out.Write(0, 1);
}

// Zero lengths after the third one that the length-code list's 2-bit run covers.
int ZeroRunAfterThird(const std::vector<std::uint8_t>& lengths, int count) {
    int run = 0;
    while (run < 3 && 3 + run < count && lengths[static_cast<std::size_t>(3 + run)] == 0) {
        ++run;
    }
    return run;
}

// Bits of a small-set length list (n, then lengths), with the zero run after the third length when asked.
std::uint64_t SmallListBits(const HuffmanCode& code, int countBits, bool zeroRun) {
    if (code.IsSingle()) {
        return 2 * static_cast<std::uint64_t>(countBits);
    }
    const int count = SentLengthCount(code.lengths);
    std::uint64_t bits = static_cast<std::uint64_t>(countBits);
    for (int i = 0; i < count; ++i) {
        bits += static_cast<std::uint64_t>(SmallLengthBits(code.lengths[static_cast<std::size_t>(i)]));
        if (zeroRun && i == 2) {
            bits += 2;
            i += ZeroRunAfterThird(code.lengths, count);
        }
    }
    return bits;
}

void WriteSmallList(BitWriter& out, const HuffmanCode& code, int countBits, bool zeroRun) {
    if (code.IsSingle()) {
        out.Write(0, countBits);
        out.Write(static_cast<std::uint32_t>(code.singleSymbol), countBits);
        return;
    }
    const int count = SentLengthCount(code.lengths);
    out.Write(static_cast<std::uint32_t>(count), countBits);
    for (int i = 0; i < count; ++i) {
        WriteSmallLength(out, code.lengths[static_cast<std::size_t>(i)]);
        if (zeroRun && i == 2) {
            const int run = ZeroRunAfterThird(code.lengths, count);
            out.Write(static_cast<std::uint32_t>(run), 2);
            i += run;
        }
    }
}

void WriteSymbol(BitWriter& out, const HuffmanCode& code, int symbol) {
    if (!code.IsSingle()) {
        out.Write(code.codes[static_cast<std::size_t>(symbol)], code.lengths[static_cast<std::size_t>(symbol)]);
    }
}

std::uint64_t SymbolBits(const HuffmanCode& code, std::span<const std::uint32_t> frequencies) {
    if (code.IsSingle()) {
        return 0;
    }
    std::uint64_t bits = 0;
    for (std::size_t s = 0; s < frequencies.size(); ++s) {
        bits += static_cast<std::uint64_t>(frequencies[s]) * code.lengths[s];
    }
    return bits;
}

}  // namespace

SymbolHistogram SymbolHistogram::Of(std::span<const Symbol> symbols) {
    SymbolHistogram histogram;
    for (const Symbol& symbol : symbols) {
        histogram.Add(symbol);
    }
    return histogram;
}

void SymbolHistogram::Add(const Symbol& symbol) {
    ++main[symbol.main];
    if (symbol.main >= LiteralCount) {
        ++offset[static_cast<std::size_t>(OffsetSymbolOf(symbol.distance))];
    }
    ++symbols;
}

void SymbolHistogram::Add(const SymbolHistogram& other) {
    for (std::size_t s = 0; s < main.size(); ++s) {
        main[s] += other.main[s];
    }
    for (std::size_t s = 0; s < offset.size(); ++s) {
        offset[s] += other.offset[s];
    }
    symbols += other.symbols;
}

SymbolHistogram SymbolHistogram::Without(const SymbolHistogram& part) const {
    SymbolHistogram rest = *this;
    for (std::size_t s = 0; s < main.size(); ++s) {
        rest.main[s] -= part.main[s];
    }
    for (std::size_t s = 0; s < offset.size(); ++s) {
        rest.offset[s] -= part.offset[s];
    }
    rest.symbols -= part.symbols;
    return rest;
}

namespace {

bool HoldsLiteralsOnly(const SymbolHistogram& histogram) {
    for (std::size_t s = LiteralCount; s < histogram.main.size(); ++s) {
        if (histogram.main[s] != 0) {
            return false;
        }
    }
    return true;
}

// Every literal with an 8-bit code that is the byte itself. Its lengths cost almost nothing to send: the length
// code has one symbol ("a length of 8", sent with n = 0), so the 256 lengths take no bits, and the offset set is
// one symbol too. Data that does not compress then costs a few bytes per segment over its size.
SegmentPlan FlatLiteralPlan(const SymbolHistogram& histogram) {
    constexpr int kFlatLength = 8;
    static_assert(LiteralCount << (MaxCodeLength - kFlatLength) == 1 << MaxCodeLength, "a complete code");
    SegmentPlan plan;
    plan.main.lengths.assign(MainSymbolCount, 0);
    plan.main.codes.assign(MainSymbolCount, 0);
    for (int s = 0; s < LiteralCount; ++s) {
        plan.main.lengths[static_cast<std::size_t>(s)] = kFlatLength;
        plan.main.codes[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(s);
    }
    plan.main.usedSymbols = LiteralCount;
    plan.lengthCode.lengths.assign(LengthCodeCount, 0);
    plan.lengthCode.codes.assign(LengthCodeCount, 0);
    plan.lengthCode.usedSymbols = 1;
    plan.lengthCode.singleSymbol = kFlatLength + LengthCodeOffset;
    plan.offset.lengths.assign(OffsetSymbolCount, 0);
    plan.offset.codes.assign(OffsetSymbolCount, 0);
    plan.offset.usedSymbols = 0;
    plan.offset.singleSymbol = 0;
    plan.headerBits = 16 + 2 * LengthCodeCountBits + MainCountBits + 2 * OffsetCountBits;
    plan.totalBits = plan.headerBits + static_cast<std::uint64_t>(histogram.symbols) * kFlatLength;
    return plan;
}

// The length code and the bits of a segment whose main and offset codes are chosen.
SegmentPlan CompletePlan(const SymbolHistogram& histogram, HuffmanCode main, HuffmanCode offset) {
    SegmentPlan plan;
    plan.main = std::move(main);
    plan.offset = std::move(offset);
    std::array<std::uint32_t, LengthCodeCount> lengthCodeFrequencies{};
    std::uint64_t tokenExtraBits = 0;
    if (!plan.main.IsSingle()) {
        ForEachLengthToken(plan.main.lengths, SentLengthCount(plan.main.lengths), [&](const LengthToken& token) {
            ++lengthCodeFrequencies[token.symbol];
            tokenExtraBits += static_cast<std::uint64_t>(ExtraBitsOf(token.symbol));
        });
    }
    plan.lengthCode = BuildHuffmanLengths(lengthCodeFrequencies, MaxCodeLength);

    std::uint64_t header = 16 + SmallListBits(plan.lengthCode, LengthCodeCountBits, true);
    if (plan.main.IsSingle()) {
        header += 2 * MainCountBits;
    } else {
        header += MainCountBits + SymbolBits(plan.lengthCode, lengthCodeFrequencies) + tokenExtraBits;
    }
    header += SmallListBits(plan.offset, OffsetCountBits, false);
    std::uint64_t extraBits = 0;
    for (int v = 2; v < OffsetSymbolCount; ++v) {
        extraBits += static_cast<std::uint64_t>(histogram.offset[static_cast<std::size_t>(v)]) * (v - 1);
    }
    plan.headerBits = header;
    plan.totalBits =
        header + SymbolBits(plan.main, histogram.main) + SymbolBits(plan.offset, histogram.offset) + extraBits;
    return plan;
}

// The codes are built from the histogram's counts, each used symbol's raised by smoothing (flatter codes, whose
// lengths may cost fewer bits to send); the bits are counted for the histogram as it is.
SegmentPlan HuffmanPlan(const SymbolHistogram& histogram, std::uint32_t smoothing = 0) {
    SymbolHistogram smoothed = histogram;
    for (auto& f : smoothed.main) {
        f += f > 0 ? smoothing : 0;
    }
    for (auto& f : smoothed.offset) {
        f += f > 0 ? smoothing : 0;
    }
    return CompletePlan(histogram, BuildHuffmanLengths(smoothed.main, MaxCodeLength),
                        BuildHuffmanLengths(smoothed.offset, MaxCodeLength));
}

// A length the length code of the plan before has no code for: a guess (4 to 12 bits give the same sizes).
constexpr std::uint32_t kUncodedLengthBits = 8;

// Codes chosen for their symbols' bits and their lengths' bits together: each main length priced by the length
// code of the plan before, each offset length by its small-list bits.
SegmentPlan LengthCostPlan(const SymbolHistogram& histogram, const SegmentPlan& before, LengthCostWork& work) {
    if (before.main.IsSingle() || before.lengthCode.IsSingle()) {
        return before;
    }
    std::array<std::uint32_t, MaxCodeLength + 1> mainCost{};
    std::array<std::uint32_t, MaxCodeLength + 1> offsetCost{};
    for (int l = 1; l <= MaxCodeLength; ++l) {
        const int length = before.lengthCode.lengths[static_cast<std::size_t>(l + LengthCodeOffset)];
        mainCost[static_cast<std::size_t>(l)] = length > 0 ? static_cast<std::uint32_t>(length) : kUncodedLengthBits;
        offsetCost[static_cast<std::size_t>(l)] = static_cast<std::uint32_t>(SmallLengthBits(l));
    }
    HuffmanCode offset = before.offset.IsSingle()
                             ? before.offset
                             : BuildCodeForLengthCosts(histogram.offset, MaxCodeLength, offsetCost, work);
    return CompletePlan(histogram, BuildCodeForLengthCosts(histogram.main, MaxCodeLength, mainCost, work),
                        std::move(offset));
}

}  // namespace

SegmentPlan SmallestPlan(const SymbolHistogram& histogram) {
    SegmentPlan plan = PlanSegment(histogram);
    // Three smoothings take nearly all there is to take (eight gave 100 bytes more on the benchmark corpus).
    for (int k = 1; k <= 3; ++k) {
        SegmentPlan smoothed = HuffmanPlan(histogram, static_cast<std::uint32_t>(k));
        if (smoothed.totalBits < plan.totalBits) {
            plan = std::move(smoothed);
        }
    }
    return plan;
}

SegmentPlan FewestBitsPlan(const SymbolHistogram& histogram, LengthCostWork& work) {
    SegmentPlan plan = SmallestPlan(histogram);
    // Each round prices the lengths by the length code the round before ended with; a third round still pays a
    // little on the benchmark corpus.
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        SegmentPlan next = LengthCostPlan(histogram, plan, work);
        if (next.totalBits >= plan.totalBits) {
            break;
        }
        plan = std::move(next);
    }
    return plan;
}

SegmentPlan PlanSegment(const SymbolHistogram& histogram) {
    SegmentPlan plan = HuffmanPlan(histogram);
    if (HoldsLiteralsOnly(histogram) && !plan.main.IsSingle()) {
        SegmentPlan flat = FlatLiteralPlan(histogram);
        if (flat.totalBits < plan.totalBits) {
            return flat;
        }
    }
    return plan;
}

std::uint64_t SegmentBits(const SymbolHistogram& histogram) {
    return PlanSegment(histogram).totalBits;
}

void WriteSegment(BitWriter& out, const SegmentPlan& plan, std::span<const Symbol> symbols) {
    // Plans carry lengths only; the canonical codes follow from them.
    HuffmanCode lengthCode = plan.lengthCode;
    HuffmanCode main = plan.main;
    HuffmanCode offset = plan.offset;
    for (HuffmanCode* code : {&lengthCode, &main, &offset}) {
        code->codes.assign(code->lengths.size(), 0);
        AssignCanonicalCodes(*code, MaxCodeLength);
    }
    out.Write(static_cast<std::uint32_t>(symbols.size()), 16);
    WriteSmallList(out, lengthCode, LengthCodeCountBits, true);
    if (plan.main.IsSingle()) {
        out.Write(0, MainCountBits);
        out.Write(static_cast<std::uint32_t>(plan.main.singleSymbol), MainCountBits);
    } else {
        const int count = SentLengthCount(plan.main.lengths);
        out.Write(static_cast<std::uint32_t>(count), MainCountBits);
        ForEachLengthToken(plan.main.lengths, count, [&](const LengthToken& token) {
            WriteSymbol(out, lengthCode, token.symbol);
            out.Write(token.extra, ExtraBitsOf(token.symbol));
        });
    }
    WriteSmallList(out, offset, OffsetCountBits, false);
    for (const Symbol& symbol : symbols) {
        WriteSymbol(out, main, symbol.main);
        if (symbol.main >= LiteralCount) {
            const int distanceOffset = symbol.distance - 1;
            const int v = OffsetSymbolOf(symbol.distance);
            WriteSymbol(out, offset, v);
            if (v > 1) {
                out.Write(static_cast<std::uint32_t>(distanceOffset - (1 << (v - 1))), v - 1);
            }
        }
    }
}

}  // namespace quibel::qpack
