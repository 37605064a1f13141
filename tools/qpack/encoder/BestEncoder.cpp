#include "tools/qpack/encoder/BestEncoder.h"

#include <algorithm>
#include <queue>
#include <utility>
#include <vector>

#include "tools/qpack/encoder/SegmentWriter.h"

namespace quibel::qpack {

namespace {

// Two neighbours are joined also when one segment costs up to this many bits more than two: parsed again under
// the joint code, the segment mostly wins them back (measured on the benchmark corpus).
constexpr std::int64_t kMergeSlackBits = 50;
// Pieces that parse to more bits per byte than this are tried as literals alone.
constexpr std::uint64_t kLiteralCheckBitsPerByte = 7;
// Rounds of moving the edges between segments.
constexpr int kEdgeSweeps = 4;

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

std::vector<Symbol> Literals(std::span<const std::uint8_t> data, std::size_t begin, std::size_t end) {
    std::vector<Symbol> literals;
    for (std::size_t i = begin; i < end; ++i) {
        literals.push_back({data[i], 0});
    }
    return literals;
}

// The data as literals alone, when it has room in one segment and costs fewer bits so.
void TryLiterals(std::span<const std::uint8_t> data, Stretch& stretch) {
    if (stretch.end - stretch.begin > MaxSegmentSymbols) {
        return;
    }
    Stretch candidate = MakeStretch(stretch.begin, stretch.end, Literals(data, stretch.begin, stretch.end));
    if (candidate.plan.totalBits < stretch.plan.totalBits) {
        stretch = std::move(candidate);
    }
}

// A short piece of the first parse: what segments are cut from.
struct Piece {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<Symbol> symbols;
    SymbolHistogram histogram;
    std::uint64_t bits = 0;  // as a segment of its own
};

// The first parse, piece by piece, priced as the fast mode does: by the pieces before and a greedy parse.
std::vector<Piece> ParsePieces(std::span<const std::uint8_t> data,
                               Parser& parser,
                               std::size_t begin,
                               std::size_t end,
                               std::size_t pieceLength,
                               SymbolHistogram& previous) {
    std::vector<Piece> pieces;
    std::vector<Symbol> symbols;
    for (std::size_t position = begin; position < end;) {
        symbols.clear();
        SymbolHistogram estimate = previous;
        parser.ParseGreedy(position, position + pieceLength, symbols);
        estimate.Add(SymbolHistogram::Of(symbols));
        symbols.clear();
        const std::size_t pieceEnd =
            parser.Parse(SymbolPrices::FromHistogram(estimate), position, position + pieceLength, symbols);
        Piece piece{position, pieceEnd, symbols, SymbolHistogram::Of(symbols), 0};
        piece.bits = SegmentBits(piece.histogram);
        if (piece.bits > kLiteralCheckBitsPerByte * (pieceEnd - position)) {
            std::vector<Symbol> literals = Literals(data, position, pieceEnd);
            const SymbolHistogram histogram = SymbolHistogram::Of(literals);
            const std::uint64_t bits = SegmentBits(histogram);
            if (bits < piece.bits) {
                piece.symbols = std::move(literals);
                piece.histogram = histogram;
                piece.bits = bits;
            }
        }
        previous = piece.histogram;
        pieces.push_back(std::move(piece));
        position = pieceEnd;
    }
    return pieces;
}

// Pieces [first, last) as one segment.
struct Range {
    std::size_t first;
    std::size_t last;
    SymbolHistogram histogram;
    std::uint64_t bits;
};

// Bits saved by joining a and b, counting the slack; 0 or less when it doesn't pay or doesn't fit.
std::int64_t JoinGain(const Range& a, const Range& b) {
    if (a.histogram.symbols + b.histogram.symbols > MaxSegmentSymbols) {
        return 0;
    }
    SymbolHistogram joined = a.histogram;
    joined.Add(b.histogram);
    return static_cast<std::int64_t>(a.bits + b.bits) + kMergeSlackBits -
           static_cast<std::int64_t>(SegmentBits(joined));
}

// Joins neighbours, the pair that saves most first (the first of equals), while joining saves bits. The ranges
// stay in place, linked to their neighbours, so that a join moves no histograms.
void JoinByCost(std::vector<Range>& ranges) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const std::size_t count = ranges.size();
    std::vector<std::size_t> next(count);
    std::vector<std::size_t> before(count);
    std::vector<std::uint32_t> version(count, 0);
    struct Candidate {
        std::int64_t gain;
        std::size_t left;  // joins left and the range after it
        std::uint32_t leftVersion;
        std::uint32_t rightVersion;
        bool operator<(const Candidate& other) const {
            return gain != other.gain ? gain < other.gain : left > other.left;
        }
    };
    std::priority_queue<Candidate> queue;
    auto offer = [&](std::size_t left) {
        const std::size_t right = next[left];
        const std::int64_t gain = JoinGain(ranges[left], ranges[right]);
        if (gain > 0) {
            queue.push({gain, left, version[left], version[right]});
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        next[i] = i + 1 < count ? i + 1 : kNone;
        before[i] = i > 0 ? i - 1 : kNone;
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        offer(i);
    }
    while (!queue.empty()) {
        const Candidate candidate = queue.top();
        queue.pop();
        const std::size_t left = candidate.left;
        const std::size_t right = next[left];
        if (right == kNone || candidate.leftVersion != version[left] || candidate.rightVersion != version[right]) {
            continue;  // one of the two has changed since
        }
        Range& joined = ranges[left];
        joined.histogram.Add(ranges[right].histogram);
        joined.last = ranges[right].last;
        joined.bits = SegmentBits(joined.histogram);
        ++version[left];
        ++version[right];
        next[left] = next[right];
        if (next[left] != kNone) {
            before[next[left]] = left;
            offer(left);
        }
        if (before[left] != kNone) {
            offer(before[left]);
        }
    }
    std::vector<Range> kept;
    for (std::size_t i = 0; i != kNone && count > 0; i = next[i]) {
        kept.push_back(std::move(ranges[i]));
    }
    ranges = std::move(kept);
}

// Moves the piece at the edge of from to its neighbour to when the two then cost fewer bits; true if it did.
bool MoveEdgePiece(const std::vector<Piece>& pieces, Range& from, Range& to, bool fromIsLeft) {
    if (from.last - from.first < 2) {
        return false;
    }
    const Piece& piece = pieces[fromIsLeft ? from.last - 1 : from.first];
    SymbolHistogram gaining = to.histogram;
    gaining.Add(piece.histogram);
    if (gaining.symbols > MaxSegmentSymbols) {
        return false;
    }
    const SymbolHistogram losing = from.histogram.Without(piece.histogram);
    const std::uint64_t losingBits = SegmentBits(losing);
    const std::uint64_t gainingBits = SegmentBits(gaining);
    if (losingBits + gainingBits >= from.bits + to.bits) {
        return false;
    }
    from.histogram = losing;
    from.bits = losingBits;
    to.histogram = gaining;
    to.bits = gainingBits;
    if (fromIsLeft) {
        --from.last;
        --to.first;
    } else {
        ++from.first;
        ++to.last;
    }
    return true;
}

// Moves the edges between segments piece by piece while the sum of their bits falls: joining pairs alone leaves
// edges where the first pair happened to meet.
void ShiftEdges(const std::vector<Piece>& pieces, std::vector<Range>& ranges) {
    for (int sweep = 0; sweep < kEdgeSweeps; ++sweep) {
        bool moved = false;
        for (std::size_t r = 0; r + 1 < ranges.size(); ++r) {
            while (MoveEdgePiece(pieces, ranges[r], ranges[r + 1], true) ||
                   MoveEdgePiece(pieces, ranges[r + 1], ranges[r], false)) {
                moved = true;
            }
        }
        if (!moved) {
            return;
        }
    }
}

// Cuts the pieces into segments by cost.
std::vector<Stretch> Segments(std::vector<Piece> pieces) {
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        ranges.push_back({i, i + 1, pieces[i].histogram, pieces[i].bits});
    }
    JoinByCost(ranges);
    ShiftEdges(pieces, ranges);
    std::vector<Stretch> segments;
    for (const Range& range : ranges) {
        Stretch segment{pieces[range.first].begin, pieces[range.last - 1].end, {}, range.histogram, {}};
        for (std::size_t i = range.first; i < range.last; ++i) {
            segment.symbols.insert(segment.symbols.end(), pieces[i].symbols.begin(), pieces[i].symbols.end());
        }
        segment.plan = PlanSegment(segment.histogram);
        segments.push_back(std::move(segment));
    }
    return segments;
}

// Parses the segment again while that makes it smaller: first under the given prices, then under the lengths of
// the codes that the pass before gave it; keeps the smallest parse.
void Refine(Parser& parser, int passes, const SymbolPrices& first, Stretch& segment) {
    std::vector<Symbol> symbols;
    SegmentPlan plan = segment.plan;
    SymbolHistogram histogram = segment.histogram;
    for (int pass = 0; pass < passes; ++pass) {
        // Code lengths alone leave many ties, which the information content breaks toward the likelier symbols.
        const SymbolPrices prices = pass == 0 ? first
                                              : SymbolPrices::Halfway(SymbolPrices::FromPlan(plan, histogram),
                                                                      SymbolPrices::FromHistogram(histogram));
        symbols.clear();
        const std::size_t end = parser.Parse(prices, segment.begin, segment.end, symbols);
        if (end != segment.end || symbols.size() > MaxSegmentSymbols) {
            return;
        }
        Stretch candidate = MakeStretch(segment.begin, segment.end, symbols);
        const bool stalled = pass > 0 && candidate.plan.totalBits >= plan.totalBits;
        plan = candidate.plan;
        histogram = candidate.histogram;
        if (candidate.plan.totalBits < segment.plan.totalBits) {
            segment = std::move(candidate);
        }
        if (stalled) {
            return;
        }
    }
}

}  // namespace

void EncodeBest(std::span<const std::uint8_t> data,
                std::size_t begin,
                const BestSettings& settings,
                BitWriter& out,
                std::atomic<std::uint64_t>* encodedBytes) {
    Parser parser(data.data(), data.size(), settings.parser);
    parser.Prime(begin);
    SymbolHistogram previous;
    LengthCostWork codeWork;
    for (std::size_t position = begin; position < data.size();) {
        const std::size_t end = parser.Collect(position, position + settings.blockLength);
        std::vector<Stretch> segments =
            Segments(ParsePieces(data, parser, position, end, settings.parser.pieceLength, previous));
        for (Stretch& segment : segments) {
            Refine(parser, settings.passes, SymbolPrices::FromHistogram(segment.histogram), segment);
            TryLiterals(data, segment);
            WriteSegment(out, FewestBitsPlan(segment.histogram, codeWork), segment.symbols);
        }
        if (encodedBytes != nullptr) {
            encodedBytes->fetch_add(end - position, std::memory_order_relaxed);
        }
        position = end;
    }
}

}  // namespace quibel::qpack
