#pragma once
// Finds, at each position of a buffer, the matches of growing length within the last WindowSize bytes: a binary
// search tree of the strings that start in the window, one tree per hash of their first three bytes.

#include <cstdint>
#include <vector>

#include "tools/qpack/encoder/Lh5Format.h"

namespace quibel::qpack {

struct Match {
    std::uint16_t length;
    std::uint16_t distance;
};

class MatchFinder {
  public:
    // depthLimit bounds the tree nodes visited per position (speed against finding the longest match).
    MatchFinder(const std::uint8_t* data, std::size_t size, int depthLimit);

    // The matches at position (positions come in ascending order, each at most once, to Find or Skip; one left
    // out is never offered as a match's source): the longest match of each length found, ascending, each the
    // nearest the tree gave. Writes at most MaxMatchLength entries to out.
    int Find(std::size_t position, Match* out);
    // Inserts position without reporting matches.
    void Skip(std::size_t position);

  private:
    int Insert(std::size_t position, Match* out);

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    static constexpr int kHashBits = 14;  // the window holds 8,192 strings: more buckets only miss the cache
    static constexpr std::size_t kCyclicSize = 2 * WindowSize;  // every node still within the window

    const std::uint8_t* data_;
    std::size_t size_;
    int depthLimit_;
    std::vector<std::uint32_t> head_;
    std::vector<std::uint32_t> children_;  // two per cyclic slot: smaller, greater
};

}  // namespace quibel::qpack
