#pragma once
// Writes well-formed lh5 segments with code lengths chosen by the test, so that a test can place literals and
// matches exactly where it wants them (at a chunk boundary, one window back, ...). Hostile fields are written
// with the BitWriter directly.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "tests/support/BitWriter.h"

namespace quibel::testing {

inline constexpr int kMainSymbols = 510;
inline constexpr int kOffsetSymbols = 14;
inline constexpr int kLengthCodeSymbols = 19;

// The code lengths of one set, or the one symbol of a set sent with a count of 0 (its lookups take no bits).
struct CodeSet {
    std::vector<int> lengths;
    int single = -1;

    static CodeSet One(int symbol) { return CodeSet{{}, symbol}; }

    // A complete code over the given symbols (two or more): lengths k - 1 and k, with 2^(k-1) < count <= 2^k.
    static CodeSet Over(int setSize, const std::vector<int>& symbols) {
        CodeSet set{std::vector<int>(static_cast<std::size_t>(setSize), 0)};
        const int count = static_cast<int>(symbols.size());
        const int k = std::bit_width(static_cast<unsigned>(count - 1));
        int shorter = (1 << k) - count;
        for (int symbol : symbols) {
            set.lengths[static_cast<std::size_t>(symbol)] = shorter-- > 0 ? k - 1 : k;
        }
        return set;
    }
};

// Canonical codes: in ascending order of (length, symbol), each symbol takes the next code of its length.
inline std::vector<std::uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    std::uint32_t code = 0;
    for (int l = 1; l <= 16; ++l) {
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == l) {
                codes[s] = code++;
            }
        }
        code <<= 1;
    }
    return codes;
}

class Lh5StreamBuilder {
  public:
    explicit Lh5StreamBuilder(BitWriter& out) : out_(out) {}

    // A segment header: symbol count (0 for 65,536), the length-code set, the main and offset sets.
    void Segment(std::uint32_t count, const CodeSet& main, const CodeSet& offset) {
        out_.Put(count, 16);
        WriteLengthCodeSet();
        WriteMainSet(main);
        WriteSmallSet(offset, 4);
        main_ = main;
        offset_ = offset;
        mainCodes_ = CanonicalCodes(main.lengths);
        offsetCodes_ = CanonicalCodes(offset.lengths);
    }

    void Literal(int byte) { Symbol(main_, mainCodes_, byte); }

    // A match of 3..256 bytes at distance 1..8,192.
    void Match(int length, int distance) {
        Symbol(main_, mainCodes_, length + 253);
        const auto offset = static_cast<std::uint32_t>(distance - 1);
        const int v = offset == 0 ? 0 : std::bit_width(offset);
        Symbol(offset_, offsetCodes_, v);
        if (v > 1) {
            out_.Put(offset - (1u << (v - 1)), v - 1);
        }
    }

    // Length-code set of every segment: symbols 0..12 take 4 bits, 13..18 take 5 (a complete code).
    static int LengthCodeLength(int symbol) { return symbol < 13 ? 4 : 5; }

  private:
    void Symbol(const CodeSet& set, const std::vector<std::uint32_t>& codes, int symbol) {
        if (set.single >= 0) {
            if (symbol != set.single) {
                throw std::logic_error("symbol outside a one-symbol set");
            }
            return;
        }
        const int length = set.lengths.at(static_cast<std::size_t>(symbol));
        if (length == 0) {
            throw std::logic_error("symbol without a code");
        }
        out_.Put(codes[static_cast<std::size_t>(symbol)], length);
    }

    void SmallLength(int length) {
        if (length < 7) {
            out_.Put(static_cast<std::uint32_t>(length), 3);
        } else {
            out_.Put(7, 3).Ones(length - 7).Put(0, 1);
        }
    }

    void WriteLengthCodeSet() {
        out_.Put(kLengthCodeSymbols, 5);  // n = 19
        for (int s = 0; s < kLengthCodeSymbols; ++s) {
            SmallLength(LengthCodeLength(s));
            if (s == 2) {
                out_.Put(0, 2);  // no zero run after the third length
            }
        }
    }

    void LengthCode(int symbol) {
        static const std::vector<std::uint32_t> codes = [] {
            std::vector<int> lengths;
            for (int s = 0; s < kLengthCodeSymbols; ++s) {
                lengths.push_back(LengthCodeLength(s));
            }
            return CanonicalCodes(lengths);
        }();
        out_.Put(codes[static_cast<std::size_t>(symbol)], LengthCodeLength(symbol));
    }

    void WriteMainSet(const CodeSet& set) {
        if (set.single >= 0) {
            out_.Put(0, 9).Put(static_cast<std::uint32_t>(set.single), 9);
            return;
        }
        const int n = LastUsed(set) + 1;
        out_.Put(static_cast<std::uint32_t>(n), 9);
        for (int i = 0; i < n;) {
            const int length = set.lengths[static_cast<std::size_t>(i)];
            if (length != 0) {
                LengthCode(length + 2);
                ++i;
                continue;
            }
            int run = 0;
            while (i + run < n && set.lengths[static_cast<std::size_t>(i + run)] == 0) {
                ++run;
            }
            if (run >= 20) {
                LengthCode(2);
                out_.Put(static_cast<std::uint32_t>(run - 20), 9);
            } else if (run >= 3) {
                run = std::min(run, 18);
                LengthCode(1);
                out_.Put(static_cast<std::uint32_t>(run - 3), 4);
            } else {
                run = 1;
                LengthCode(0);
            }
            i += run;
        }
    }

    void WriteSmallSet(const CodeSet& set, int countBits) {
        if (set.single >= 0) {
            out_.Put(0, countBits).Put(static_cast<std::uint32_t>(set.single), countBits);
            return;
        }
        const int n = LastUsed(set) + 1;
        out_.Put(static_cast<std::uint32_t>(n), countBits);
        for (int i = 0; i < n; ++i) {
            SmallLength(set.lengths[static_cast<std::size_t>(i)]);
        }
    }

    static int LastUsed(const CodeSet& set) {
        int last = -1;
        for (std::size_t i = 0; i < set.lengths.size(); ++i) {
            if (set.lengths[i] != 0) {
                last = static_cast<int>(i);
            }
        }
        return last;
    }

    BitWriter& out_;
    CodeSet main_;
    CodeSet offset_;
    std::vector<std::uint32_t> mainCodes_;
    std::vector<std::uint32_t> offsetCodes_;
};

}  // namespace quibel::testing
