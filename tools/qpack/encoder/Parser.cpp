#include "tools/qpack/encoder/Parser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quibel::qpack {

namespace {

constexpr int kVeryLongMatch = 128;
constexpr int kInsertedAtLongMatchEnd = 16;
constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();

std::uint32_t PriceOfBits(double bits) {
    return static_cast<std::uint32_t>(std::lround(bits * SymbolPrices::Scale));
}

std::uint32_t ExtraBits(int offsetSymbol) {
    return offsetSymbol > 1 ? static_cast<std::uint32_t>(offsetSymbol - 1) : 0;
}

// Price of one symbol of frequency f among total: its information content; an unused symbol counts as if it had
// a third of an occurrence, so that the first match of a kind is possible but must earn its place.
std::uint32_t InformationPrice(std::uint32_t f, std::uint32_t total) {
    const double weight = f > 0 ? static_cast<double>(f) : 0.33;
    const double bits = std::min<double>(std::log2((static_cast<double>(total) + 1.0) / weight), MaxCodeLength + 2);
    return PriceOfBits(std::max(bits, 0.5));
}

}  // namespace

SymbolPrices SymbolPrices::Initial() {
    SymbolPrices prices;
    for (int s = 0; s < LiteralCount; ++s) {
        prices.main[static_cast<std::size_t>(s)] = PriceOfBits(8.5);
    }
    for (int length = MinMatchLength; length <= MaxMatchLength; ++length) {
        const double bits = 6.0 + std::min(8.0, 1.5 * std::log2(static_cast<double>(length - 2)));
        prices.main[static_cast<std::size_t>(MatchSymbolBase + length)] = PriceOfBits(bits);
    }
    for (int v = 0; v < OffsetSymbolCount; ++v) {
        prices.offset[static_cast<std::size_t>(v)] = PriceOfBits(3.5) + ExtraBits(v) * Scale;
    }
    return prices;
}

SymbolPrices SymbolPrices::FromHistogram(const SymbolHistogram& histogram) {
    SymbolPrices prices;
    std::uint32_t matches = 0;
    const std::uint32_t unused = InformationPrice(0, histogram.symbols);  // most symbols of a piece: one logarithm
    for (std::size_t s = 0; s < histogram.main.size(); ++s) {
        prices.main[s] = histogram.main[s] > 0 ? InformationPrice(histogram.main[s], histogram.symbols) : unused;
        if (s >= LiteralCount) {
            matches += histogram.main[s];
        }
    }
    for (std::size_t v = 0; v < histogram.offset.size(); ++v) {
        prices.offset[v] = InformationPrice(histogram.offset[v], matches) + ExtraBits(static_cast<int>(v)) * Scale;
    }
    return prices;
}

namespace {

// A used symbol costs its code's length (none when its set has one symbol); an unused one what the histogram says.
std::uint32_t CodePrice(const HuffmanCode& code, std::size_t symbol, std::uint32_t unusedPrice) {
    if (code.IsSingle()) {
        return static_cast<int>(symbol) == code.singleSymbol && code.usedSymbols == 1 ? 0 : unusedPrice;
    }
    return code.lengths[symbol] > 0 ? code.lengths[symbol] * SymbolPrices::Scale : unusedPrice;
}

}  // namespace

SymbolPrices SymbolPrices::FromPlan(const SegmentPlan& plan, const SymbolHistogram& histogram) {
    const SymbolPrices estimate = FromHistogram(histogram);
    SymbolPrices prices;
    for (std::size_t s = 0; s < prices.main.size(); ++s) {
        prices.main[s] = CodePrice(plan.main, s, estimate.main[s]);
    }
    for (std::size_t v = 0; v < prices.offset.size(); ++v) {
        const std::uint32_t extra = ExtraBits(static_cast<int>(v)) * Scale;
        prices.offset[v] = CodePrice(plan.offset, v, estimate.offset[v] - extra) + extra;
    }
    return prices;
}

SymbolPrices SymbolPrices::Halfway(const SymbolPrices& a, const SymbolPrices& b) {
    SymbolPrices prices;
    for (std::size_t s = 0; s < prices.main.size(); ++s) {
        prices.main[s] = (a.main[s] + b.main[s]) / 2;
    }
    for (std::size_t v = 0; v < prices.offset.size(); ++v) {
        prices.offset[v] = (a.offset[v] + b.offset[v]) / 2;
    }
    return prices;
}

Parser::Parser(const std::uint8_t* data, std::size_t size, const ParserSettings& settings)
    : data_(data), size_(size), settings_(settings), finder_(data, size, settings.depthLimit) {}

void Parser::Prime(std::size_t end) {
    for (std::size_t position = end > WindowSize ? end - WindowSize : 0; position < end; ++position) {
        finder_.Skip(position);
    }
}

std::size_t Parser::Collect(std::size_t begin, std::size_t nominalEnd) {
    begin_ = begin;
    nominalEnd = std::min(size_, nominalEnd);
    matches_.clear();
    matchStart_.clear();
    longMatches_.clear();
    Match found[MaxMatchLength];
    std::size_t position = begin;
    while (position < nominalEnd) {
        matchStart_.push_back(static_cast<std::uint32_t>(matches_.size()));
        const int count = finder_.Find(position, found);
        if (count > 0 && found[count - 1].length >= settings_.niceLength) {
            const Match longest = found[count - 1];
            longMatches_.push_back({static_cast<std::uint32_t>(position - begin), longest});
            // Inside a very long match (runs, padding) only its last positions go into the tree: the ones before
            // are the same strings as the positions the match copies, which the tree holds already.
            const int firstInserted = longest.length >= kVeryLongMatch ? longest.length - kInsertedAtLongMatchEnd : 1;
            for (int k = 1; k < longest.length; ++k) {
                if (k >= firstInserted) {
                    finder_.Skip(position + static_cast<std::size_t>(k));
                }
                matchStart_.push_back(static_cast<std::uint32_t>(matches_.size()));
            }
            position += longest.length;
            continue;
        }
        matches_.insert(matches_.end(), found, found + count);
        ++position;
    }
    matchStart_.push_back(static_cast<std::uint32_t>(matches_.size()));
    end_ = position;
    return end_;
}

std::size_t Parser::FirstLongMatchFrom(std::size_t offset) const {
    return static_cast<std::size_t>(
        std::partition_point(longMatches_.begin(), longMatches_.end(),
                             [offset](const LongMatch& long_) { return long_.position < offset; }) -
        longMatches_.begin());
}

std::size_t Parser::Parse(const SymbolPrices& prices,
                          std::size_t first,
                          std::size_t nominalTo,
                          std::vector<Symbol>& out) {
    const std::size_t start = first - begin_;
    const std::size_t length = std::min(nominalTo, end_) - first;
    // A long match taken last may reach past the nominal end.
    cost_.assign(length + MaxMatchLength + 1, kUnreached);
    from_.resize(length + MaxMatchLength + 1);  // written wherever cost is, before it is read
    const std::uint8_t* piece = data_ + first;
    // Plain pointers: the compiler cannot tell that the stores into cost and from leave the vectors alone.
    std::uint32_t* cost = cost_.data();
    Match* from = from_.data();
    const std::uint32_t* mainPrices = prices.main.data();
    const std::uint32_t* offsetPrices = prices.offset.data();
    const Match* matches = matches_.data();
    const std::uint32_t* matchStart = matchStart_.data() + start;
    std::size_t regionStart = 0;
    std::size_t nextLong = FirstLongMatchFrom(start);
    cost[0] = 0;
    std::size_t position = 0;
    while (position < length) {
        // Matches of the region end where the next long match starts.
        const std::size_t limit =
            nextLong < longMatches_.size() ? std::min(longMatches_[nextLong].position - start, length) : length;
        if (position == limit) {
            const Match taken = longMatches_[nextLong++].match;
            FinishRegion(piece, regionStart, position, out);
            out.push_back({static_cast<std::uint16_t>(MatchSymbolBase + taken.length), taken.distance});
            position += taken.length;
            regionStart = position;
            cost[position] = 0;
            continue;
        }
        const std::uint32_t here = cost[position];
        const std::uint32_t literal = here + mainPrices[piece[position]];
        if (literal < cost[position + 1]) {
            cost[position + 1] = literal;
            from[position + 1] = {1, 0};
        }
        const std::size_t room = limit - position;
        std::size_t previous = MinMatchLength - 1;
        for (std::uint32_t i = matchStart[position]; i < matchStart[position + 1]; ++i) {
            const Match match = matches[i];
            const std::size_t longest = std::min<std::size_t>(match.length, room);
            const std::uint32_t base = here + offsetPrices[OffsetSymbolOf(match.distance)];
            std::uint32_t* target = cost + position;
            Match* step = from + position;
            for (std::size_t l = previous + 1; l <= longest; ++l) {
                const std::uint32_t total = base + mainPrices[MatchSymbolBase + l];
                if (total < target[l]) {
                    target[l] = total;
                    step[l] = {static_cast<std::uint16_t>(l), match.distance};
                }
            }
            previous = std::max(previous, longest);
        }
        ++position;
    }
    FinishRegion(piece, regionStart, position, out);
    return first + position;
}

std::size_t Parser::ParseGreedy(std::size_t from, std::size_t nominalTo, std::vector<Symbol>& out) const {
    const std::size_t start = from - begin_;
    const std::size_t length = std::min(nominalTo, end_) - from;
    const std::uint32_t* matchStart = matchStart_.data() + start;
    std::size_t nextLong = FirstLongMatchFrom(start);
    std::size_t position = 0;
    while (position < length) {
        const std::size_t limit =
            nextLong < longMatches_.size() ? std::min(longMatches_[nextLong].position - start, length) : length;
        Match taken{1, 0};
        if (position == limit) {
            taken = longMatches_[nextLong++].match;
        } else if (matchStart[position] < matchStart[position + 1]) {
            const Match longest = matches_[matchStart[position + 1] - 1];
            const std::size_t room = limit - position;
            if (room >= MinMatchLength) {
                taken = {static_cast<std::uint16_t>(std::min<std::size_t>(longest.length, room)), longest.distance};
            }
        }
        if (taken.length == 1) {
            out.push_back({data_[from + position], 0});
        } else {
            out.push_back({static_cast<std::uint16_t>(MatchSymbolBase + taken.length), taken.distance});
        }
        position += taken.length;
    }
    return from + position;
}

void Parser::FinishRegion(const std::uint8_t* piece,
                          std::size_t regionStart,
                          std::size_t regionEnd,
                          std::vector<Symbol>& out) {
    reversed_.clear();
    for (std::size_t position = regionEnd; position > regionStart;) {
        const Match step = from_[position];
        position -= step.length;
        if (step.length == 1) {
            reversed_.push_back({piece[position], 0});
        } else {
            reversed_.push_back({static_cast<std::uint16_t>(MatchSymbolBase + step.length), step.distance});
        }
    }
    out.insert(out.end(), reversed_.rbegin(), reversed_.rend());
}

}  // namespace quibel::qpack
