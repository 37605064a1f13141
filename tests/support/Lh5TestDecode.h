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
};

inline DecodeOutcome DecodeBlock(const std::vector<std::uint8_t>& block, int wordBits = 0) {
    PayloadStream source;
    source.Replace(block);
    PayloadStream destination;
    DecodeOutcome outcome;
    try {
        if (wordBits == 0) {
            DecompressBlock(source, destination);
        } else {
            DecompressBlockWithWordBits(wordBits, source, destination);
        }
    } catch (const ECorruptFile&) {
        outcome.corrupt = true;
    }
    outcome.bytes = destination.Bytes();
    return outcome;
}

}  // namespace quibel::testing
