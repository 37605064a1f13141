#pragma once
// Runs DecompressBlock on a block held in memory and reports what it wrote and whether it failed. wordBits 32 or
// 64 picks the decoder's bit-buffer width; 0 the processor's own, as DecompressBlock has it.

#include <cstdint>
#include <vector>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/PayloadStream.h"

namespace quibel::testing {

struct DecodeOutcome {
    std::vector<std::uint8_t> bytes;
    bool corrupt = false;
    std::int64_t bitsPastEnd = 0;  // symbol bits read as zeros past the end of the stream
    std::int64_t unusedBytes = 0;  // stream bytes after the last bit the symbols used
};

inline DecodeOutcome DecodeBlock(const std::vector<std::uint8_t>& block, int wordBits = 0) {
    PayloadStream source;
    source.Replace(block);
    PayloadStream destination;
    DecodeOutcome outcome;
    try {
        const BlockDecodeEnd end = wordBits == 0 ? DecompressBlock(source, destination)
                                                 : DecompressBlockWithWordBits(wordBits, source, destination);
        outcome.bitsPastEnd = end.bitsPastEnd;
        outcome.unusedBytes = end.unusedBytes;
    } catch (const ECorruptFile&) {
        outcome.corrupt = true;
    }
    outcome.bytes = destination.Bytes();
    return outcome;
}

}  // namespace quibel::testing
