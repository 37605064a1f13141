#pragma once
// The lh5 encoder: a file in, its compressed block out. A file is cut into parts at fixed positions, each part
// encoded on its own with the bytes before it as history (the decoder's window runs on across parts), and the
// parts' bits joined into one stream: the parts may be encoded on any threads, in any order, for the same bytes.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/qpack/encoder/BestEncoder.h"
#include "tools/qpack/encoder/BitString.h"
#include "tools/qpack/encoder/Parser.h"

namespace quibel::qpack {

struct EncoderSettings {
    ParserSettings parser;
    // The first parse of a piece prices symbols by the piece before and by a greedy parse of this one.
    bool greedyEstimate = true;
    int passes = 1;     // parses per piece; each after the first prices symbols by the one before
    bool best = false;  // the thorough mode below instead of the settings above
    BestSettings thorough;
    // Where files are cut into parts: every partLength bytes. A part costs a segment's header or so more than
    // encoding straight on; 1 MiB keeps that near 0.01% and still gives many threads work in one large file.
    std::size_t partLength = std::size_t{1} << 20;
    // When set, the input bytes encoded so far are added to it as the encoding goes (a progress line's figure,
    // shared by the threads that encode).
    std::atomic<std::uint64_t>* encodedBytes = nullptr;
};

// One part of a file, in file offsets: it encodes [begin, end), reading from history (at most WindowSize bytes
// before begin).
struct FilePart {
    std::uint64_t history = 0;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// The parts of a file of the given size, in order; an empty file is one empty part.
std::vector<FilePart> PartsOf(std::uint64_t size, const EncoderSettings& settings);

// The bits of one part: data holds the part's history (historyLength bytes), then the part. They continue the
// bits of the parts before, and end on a whole segment, so that the next part's bits follow right after.
BitString EncodePart(std::span<const std::uint8_t> data, std::size_t historyLength, const EncoderSettings& settings);

// The head of a compressed block of data of the given size: the decoded size (int32, little-endian) as 32 bits,
// which the parts' bits follow. length_error from 2 GiB on.
BitString BlockHead(std::uint64_t size);

// The lh5 bit stream of data, padded with zero bits to a whole byte.
std::vector<std::uint8_t> EncodeLh5(std::span<const std::uint8_t> data, const EncoderSettings& settings = {});

// A compressed block: the decoded size (int32, little-endian), then the bit stream. data must be below 2 GiB.
std::vector<std::uint8_t> EncodeBlock(std::span<const std::uint8_t> data, const EncoderSettings& settings = {});

}  // namespace quibel::qpack
