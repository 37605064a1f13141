#pragma once
// The lh5 encoder: a whole file in, its compressed block out.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/qpack/encoder/BestEncoder.h"
#include "tools/qpack/encoder/Parser.h"

namespace quibel::qpack {

struct EncoderSettings {
    ParserSettings parser;
    // The first parse of a piece prices symbols by the piece before and by a greedy parse of this one.
    bool greedyEstimate = true;
    int passes = 1;     // parses per piece; each after the first prices symbols by the one before
    bool best = false;  // the thorough mode below instead of the settings above
    BestSettings thorough;
    // When set, the input bytes encoded so far are added to it as the encoding goes (a progress line's figure,
    // shared by the threads that encode).
    std::atomic<std::uint64_t>* encodedBytes = nullptr;
};

// The lh5 bit stream of data, padded with zero bits to a whole byte.
std::vector<std::uint8_t> EncodeLh5(std::span<const std::uint8_t> data, const EncoderSettings& settings = {});

// A compressed block: the decoded size (int32, little-endian), then the bit stream. data must be below 2 GiB.
std::vector<std::uint8_t> EncodeBlock(std::span<const std::uint8_t> data, const EncoderSettings& settings = {});

}  // namespace quibel::qpack
