#include "tools/qpack/encoder/BestEncoder.h"

#include <utility>
#include <vector>

#include "tools/qpack/encoder/SegmentWriter.h"

namespace quibel::qpack {

namespace {

// Two pieces are joined also when one segment costs up to this many bits more than two: parsed again under the
// joint code, the segment mostly wins them back (measured on the benchmark corpus).
constexpr std::uint64_t kMergeSlackBits = 100;

// A run of data and the symbols that encode it.
struct Stretch {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<Symbol> symbols;
    SymbolHistogram histogram;
    SegmentPlan plan;
};

Stretch MakeStretch(std::size_t begin, std::size_t end, std::vector<Symbol> symbols) {
    Stretch stretch{begin, end, std::move(symbols), {}, {}};
    stretch.histogram = SymbolHistogram::Of(stretch.symbols);
    stretch.plan = PlanSegment(stretch.histogram);
    return stretch;
}

// The data as literals alone, when it has room in one segment and costs fewer bits so.
void TryLiterals(std::span<const std::uint8_t> data, Stretch& stretch) {
    if (stretch.end - stretch.begin > MaxSegmentSymbols) {
        return;
    }
    std::vector<Symbol> literals;
    for (std::size_t i = stretch.begin; i < stretch.end; ++i) {
        literals.push_back({data[i], 0});
    }
    Stretch candidate = MakeStretch(stretch.begin, stretch.end, std::move(literals));
    if (candidate.plan.totalBits < stretch.plan.totalBits) {
        stretch = std::move(candidate);
    }
}

// The first parse, piece by piece, priced as the fast mode does: by the piece before and a greedy parse.
std::vector<Stretch> ParsePieces(std::span<const std::uint8_t> data,
                                 Parser& parser,
                                 std::size_t begin,
                                 std::size_t end,
                                 std::size_t pieceLength,
                                 SymbolHistogram& previous) {
    std::vector<Stretch> pieces;
    std::vector<Symbol> symbols;
    for (std::size_t position = begin; position < end;) {
        symbols.clear();
        SymbolHistogram estimate = previous;
        parser.ParseGreedy(position, position + pieceLength, symbols);
        estimate.Add(SymbolHistogram::Of(symbols));
        symbols.clear();
        const std::size_t pieceEnd =
            parser.Parse(SymbolPrices::FromHistogram(estimate), position, position + pieceLength, symbols);
        Stretch piece = MakeStretch(position, pieceEnd, symbols);
        TryLiterals(data, piece);
        previous = piece.histogram;
        pieces.push_back(std::move(piece));
        position = pieceEnd;
    }
    return pieces;
}

Stretch Merged(const Stretch& a, const Stretch& b) {
    Stretch merged{a.begin, b.end, {}, a.histogram, {}};
    merged.histogram.Add(b.histogram);
    merged.plan = PlanSegment(merged.histogram);
    return merged;
}

// Bits saved by making a and b one segment, counting the slack; 0 or less when it doesn't pay or doesn't fit.
std::int64_t MergeGain(const Stretch& a, const Stretch& b) {
    if (a.histogram.symbols + b.histogram.symbols > MaxSegmentSymbols) {
        return 0;
    }
    SymbolHistogram merged = a.histogram;
    merged.Add(b.histogram);
    return static_cast<std::int64_t>(a.plan.totalBits + b.plan.totalBits + kMergeSlackBits) -
           static_cast<std::int64_t>(PlanSegment(merged).totalBits);
}

// Joins neighbours, the pair that saves most first, while joining saves bits.
std::vector<Stretch> MergeByCost(std::vector<Stretch> stretches) {
    std::vector<std::int64_t> gain(stretches.size(), 0);  // gain[i]: joining i and i + 1
    for (std::size_t i = 0; i + 1 < stretches.size(); ++i) {
        gain[i] = MergeGain(stretches[i], stretches[i + 1]);
    }
    for (;;) {
        std::size_t best = 0;
        for (std::size_t i = 1; i + 1 < stretches.size(); ++i) {
            if (gain[i] > gain[best]) {
                best = i;
            }
        }
        if (stretches.size() < 2 || gain[best] <= 0) {
            return stretches;
        }
        Stretch merged = Merged(stretches[best], stretches[best + 1]);
        merged.symbols = std::move(stretches[best].symbols);
        merged.symbols.insert(merged.symbols.end(), stretches[best + 1].symbols.begin(),
                              stretches[best + 1].symbols.end());
        stretches[best] = std::move(merged);
        stretches.erase(stretches.begin() + static_cast<std::ptrdiff_t>(best) + 1);
        gain.erase(gain.begin() + static_cast<std::ptrdiff_t>(best) + 1);
        if (best + 1 < stretches.size()) {
            gain[best] = MergeGain(stretches[best], stretches[best + 1]);
        } else {
            gain[best] = 0;
        }
        if (best > 0) {
            gain[best - 1] = MergeGain(stretches[best - 1], stretches[best]);
        }
    }
}

// Parses the segment again while that makes it smaller: first under the information content of its symbols,
// then under the lengths of the codes that the pass before gave it.
void Refine(Parser& parser, int passes, Stretch& segment) {
    std::vector<Symbol> symbols;
    for (int pass = 0; pass < passes; ++pass) {
        const SymbolPrices prices = pass == 0 ? SymbolPrices::FromHistogram(segment.histogram)
                                              : SymbolPrices::FromPlan(segment.plan, segment.histogram);
        symbols.clear();
        const std::size_t end = parser.Parse(prices, segment.begin, segment.end, symbols);
        if (end != segment.end || symbols.size() > MaxSegmentSymbols) {
            return;
        }
        Stretch candidate = MakeStretch(segment.begin, segment.end, symbols);
        if (candidate.plan.totalBits < segment.plan.totalBits) {
            segment = std::move(candidate);
        } else if (pass > 0) {
            return;
        }
    }
}

}  // namespace

void EncodeBest(std::span<const std::uint8_t> data, const BestSettings& settings, BitWriter& out) {
    Parser parser(data.data(), data.size(), settings.parser);
    SymbolHistogram previous;
    for (std::size_t position = 0; position < data.size();) {
        const std::size_t end = parser.Collect(position, position + settings.blockLength);
        std::vector<Stretch> segments =
            MergeByCost(ParsePieces(data, parser, position, end, settings.parser.pieceLength, previous));
        for (Stretch& segment : segments) {
            Refine(parser, settings.passes, segment);
            TryLiterals(data, segment);
            WriteSegment(out, SmallestPlan(segment.histogram), segment.symbols);
        }
        position = end;
    }
}

}  // namespace quibel::qpack
