#pragma once
// Near-optimal parsing of a piece of input into lh5 symbols: every position's matches are collected once, then
// a shortest-path search over the positions picks the literals and matches of least total price under the given
// symbol prices. A match of niceLength or more is taken as it stands, which keeps long repeats fast.

#include <array>
#include <cstdint>
#include <vector>

#include "tools/qpack/encoder/Lh5Format.h"
#include "tools/qpack/encoder/MatchFinder.h"
#include "tools/qpack/encoder/SegmentWriter.h"

namespace quibel::qpack {

// Prices in sixteenths of a bit.
struct SymbolPrices {
    static constexpr std::uint32_t Scale = 16;

    std::array<std::uint32_t, MainSymbolCount> main{};
    std::array<std::uint32_t, OffsetSymbolCount> offset{};  // the offset symbol and its extra bits

    // Rough prices for the start of a stream, before any statistics.
    static SymbolPrices Initial();
    // Prices that the symbols of the histogram would have, unused symbols dear but not impossible.
    static SymbolPrices FromHistogram(const SymbolHistogram& histogram);
    // The bits that the plan's codes give each symbol; symbols it has no code for priced as by FromHistogram.
    static SymbolPrices FromPlan(const SegmentPlan& plan, const SymbolHistogram& histogram);
    // The mean of two price sets.
    static SymbolPrices Halfway(const SymbolPrices& a, const SymbolPrices& b);
};

struct ParserSettings {
    int depthLimit = 32;
    int niceLength = 64;
    std::size_t pieceLength = 8190;  // short pieces let prices follow the data; a piece never fills a segment
};

class Parser {
  public:
    Parser(const std::uint8_t* data, std::size_t size, const ParserSettings& settings);

    // Puts the data before end into the match finder without parsing it: history that the matches of the data
    // from end on may reach back into. Only its last WindowSize bytes matter. Before the first Collect.
    void Prime(std::size_t end);
    // Collects the matches of the piece that starts at begin; returns its end (a last match may pass the nominal
    // piece length).
    std::size_t Collect(std::size_t begin) { return Collect(begin, begin + settings_.pieceLength); }
    // Collects the matches of the data from begin up to nominalEnd (or a long match's end past it); returns the end.
    std::size_t Collect(std::size_t begin, std::size_t nominalEnd);
    // Parses the collected piece under the prices; appends its symbols to out.
    void Parse(const SymbolPrices& prices, std::vector<Symbol>& out) { Parse(prices, begin_, end_, out); }
    // Parses the collected data from first (the piece's start or an end this returned) up to nominalTo, or past it
    // when a long match crosses it; appends the symbols to out and returns the end reached.
    std::size_t Parse(const SymbolPrices& prices, std::size_t first, std::size_t nominalTo, std::vector<Symbol>& out);

    // Parses the collected piece taking the longest match wherever there is one: statistics at little cost.
    void ParseGreedy(std::vector<Symbol>& out) const { ParseGreedy(begin_, end_, out); }
    std::size_t ParseGreedy(std::size_t from, std::size_t nominalTo, std::vector<Symbol>& out) const;

  private:
    struct LongMatch {
        std::uint32_t position;  // from the piece's start
        Match match;
    };

    void FinishRegion(const std::uint8_t* piece,
                      std::size_t regionStart,
                      std::size_t regionEnd,
                      std::vector<Symbol>& out);
    std::size_t FirstLongMatchFrom(std::size_t offset) const;

    const std::uint8_t* data_;
    std::size_t size_;
    ParserSettings settings_;
    MatchFinder finder_;

    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::vector<Match> matches_;
    std::vector<std::uint32_t> matchStart_;  // per piece position, index into matches_; one more at the end
    std::vector<LongMatch> longMatches_;

    std::vector<std::uint32_t> cost_;
    std::vector<Match> from_;  // the step that reaches each position at cost_ (length 1: a literal)
    std::vector<Symbol> reversed_;
};

}  // namespace quibel::qpack
