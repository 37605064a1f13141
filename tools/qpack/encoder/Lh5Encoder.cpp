#include "tools/qpack/encoder/Lh5Encoder.h"

#include <algorithm>
#include <stdexcept>

#include "tools/qpack/encoder/BitWriter.h"
#include "tools/qpack/encoder/SegmentWriter.h"

namespace quibel::qpack {

namespace {

// Pieces that parse to more bits per byte than this are tried as literals alone.
constexpr std::size_t kLiteralCheckBitsPerByte = 7;

// Gathers the parsed pieces into segments: a piece joins the open segment when one segment for both costs no
// more than two, which keeps segments long where the statistics hold and cuts them where they change.
class SegmentBuilder {
  public:
    explicit SegmentBuilder(BitWriter& out) : out_(out) {}

    void AddPiece(std::vector<Symbol>& symbols, const SymbolHistogram& histogram, SegmentPlan piecePlan) {
        if (!symbols_.empty()) {
            SymbolHistogram merged = histogram_;
            merged.Add(histogram);
            if (merged.symbols <= MaxSegmentSymbols) {
                SegmentPlan mergedPlan = PlanSegment(merged);
                if (mergedPlan.totalBits <= plan_.totalBits + piecePlan.totalBits) {
                    symbols_.insert(symbols_.end(), symbols.begin(), symbols.end());
                    histogram_ = merged;
                    plan_ = std::move(mergedPlan);
                    return;
                }
            }
            Flush();
        }
        symbols_.swap(symbols);
        histogram_ = histogram;
        plan_ = std::move(piecePlan);
    }

    void Flush() {
        if (!symbols_.empty()) {
            WriteSegment(out_, SmallestPlan(histogram_), symbols_);
            symbols_.clear();
        }
    }

  private:
    BitWriter& out_;
    std::vector<Symbol> symbols_;
    SymbolHistogram histogram_;
    SegmentPlan plan_;
};

// The fast mode: data from begin on, parsed piece by piece, each piece priced by the one before.
void EncodeFast(std::span<const std::uint8_t> data,
                std::size_t begin,
                const EncoderSettings& settings,
                BitWriter& out) {
    SegmentBuilder segments(out);
    Parser parser(data.data(), data.size(), settings.parser);
    parser.Prime(begin);
    SymbolHistogram previous;  // the final statistics of the piece before
    std::vector<Symbol> symbols;
    std::size_t position = begin;
    while (position < data.size()) {
        const std::size_t end = parser.Collect(position);
        // Prices for the first parse: the piece before, as parsed, and this piece as a greedy parse sees it.
        SymbolHistogram estimate = previous;
        if (settings.greedyEstimate) {
            symbols.clear();
            parser.ParseGreedy(symbols);
            estimate.Add(SymbolHistogram::Of(symbols));
        }
        SymbolPrices prices = estimate.symbols > 0 ? SymbolPrices::FromHistogram(estimate) : SymbolPrices::Initial();
        SymbolHistogram histogram;
        for (int pass = 0; pass < settings.passes; ++pass) {
            if (pass > 0) {
                prices = SymbolPrices::FromHistogram(histogram);
            }
            symbols.clear();
            parser.Parse(prices, symbols);
            histogram = SymbolHistogram::Of(symbols);
        }
        // Data that doesn't compress goes out as literals alone: a flat code of 8 bits and no match symbols.
        SegmentPlan plan = PlanSegment(histogram);
        if (plan.totalBits > kLiteralCheckBitsPerByte * (end - position)) {
            SymbolHistogram literals;
            for (std::size_t i = position; i < end; ++i) {
                literals.Add(Symbol{data[i], 0});
            }
            SegmentPlan literalPlan = PlanSegment(literals);
            if (literalPlan.totalBits < plan.totalBits) {
                symbols.clear();
                for (std::size_t i = position; i < end; ++i) {
                    symbols.push_back(Symbol{data[i], 0});
                }
                histogram = literals;
                plan = std::move(literalPlan);
            }
        }
        previous = histogram;
        segments.AddPiece(symbols, histogram, std::move(plan));
        if (settings.encodedBytes != nullptr) {
            settings.encodedBytes->fetch_add(end - position, std::memory_order_relaxed);
        }
        position = end;
    }
    segments.Flush();
}

}  // namespace

std::vector<FilePart> PartsOf(std::uint64_t size, const EncoderSettings& settings) {
    const std::uint64_t length = std::max<std::uint64_t>(settings.partLength, 1);
    std::vector<FilePart> parts;
    std::uint64_t begin = 0;
    do {
        const std::uint64_t end = std::min(size, begin + length);
        parts.push_back({begin > WindowSize ? begin - WindowSize : 0, begin, end});
        begin = end;
    } while (begin < size);
    return parts;
}

BitString EncodePart(std::span<const std::uint8_t> data, std::size_t historyLength, const EncoderSettings& settings) {
    BitWriter out;
    if (settings.best) {
        EncodeBest(data, historyLength, settings.thorough, out, settings.encodedBytes);
    } else {
        EncodeFast(data, historyLength, settings, out);
    }
    return out.FinishBits();
}

BitString BlockHead(std::uint64_t size) {
    if (size > 0x7FFFFFFFu) {
        throw std::length_error("a file of 2 GiB or more has no decoded size");
    }
    return {{static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
             static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)},
            32};
}

namespace {

// The parts of data encoded one after the other, after head.
std::vector<std::uint8_t> EncodeParts(std::span<const std::uint8_t> data,
                                      const EncoderSettings& settings,
                                      BitString head) {
    for (const FilePart& part : PartsOf(data.size(), settings)) {
        const auto history = static_cast<std::size_t>(part.history);
        head.Append(EncodePart(data.subspan(history, static_cast<std::size_t>(part.end) - history),
                               static_cast<std::size_t>(part.begin) - history, settings));
    }
    return std::move(head.bytes);
}

}  // namespace

std::vector<std::uint8_t> EncodeLh5(std::span<const std::uint8_t> data, const EncoderSettings& settings) {
    return EncodeParts(data, settings, {});
}

std::vector<std::uint8_t> EncodeBlock(std::span<const std::uint8_t> data, const EncoderSettings& settings) {
    return EncodeParts(data, settings, BlockHead(data.size()));
}

}  // namespace quibel::qpack
