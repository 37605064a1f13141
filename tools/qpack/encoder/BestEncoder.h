#pragma once
// The encoder's thorough mode: time spent for size. The data is parsed in short pieces, the pieces are merged into
// segments wherever one segment costs fewer bits than two, the edges between segments move piece by piece while
// that saves bits, each segment is parsed again under the prices of its own codes until its size stops falling,
// and its codes are chosen for the bits of the symbols and of the code lengths together.

#include <atomic>
#include <cstdint>
#include <span>

#include "tools/qpack/encoder/BitWriter.h"
#include "tools/qpack/encoder/Parser.h"

namespace quibel::qpack {

struct BestSettings {
    ParserSettings parser{.depthLimit = WindowSize,  // every string in the window
                          .niceLength = MaxMatchLength,
                          .pieceLength = 256};
    std::size_t blockLength = std::size_t{1} << 19;  // matches kept in memory at once; segments end at its end
    int passes = 8;                                  // most parses per segment after the first
};

// Encodes data from begin on, the bytes before it history that matches may reach back into; encodedBytes, when
// set, is added the input bytes as they are encoded.
void EncodeBest(std::span<const std::uint8_t> data,
                std::size_t begin,
                const BestSettings& settings,
                BitWriter& out,
                std::atomic<std::uint64_t>* encodedBytes = nullptr);

}  // namespace quibel::qpack
