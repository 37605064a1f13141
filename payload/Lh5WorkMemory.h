#pragma once
// The whole working state of one lh5 decode besides the bit reader: allocated once per call, so that calls on
// several threads never share anything.

#include <cstdint>

#include "payload/Lh5DecodeTable.h"
#include "payload/Lh5Format.h"

namespace quibel::lh5 {

// A match may run up to MaxMatch - 1 bytes past the end of a chunk, and a match copy moves whole 8-byte words,
// writing up to 7 bytes past the match's end (bytes not yet decoded, so nothing is lost).
inline constexpr int CopyOverrun = 8;

struct WorkMemory {
    // [0, WindowSize): the last WindowSize bytes before the chunk being decoded (zeros at first, so that a match
    // reaching before the first byte copies zeros); [WindowSize, 2 * WindowSize): the chunk itself; then room for
    // a match that runs on past the chunk (it becomes the start of the next one) and for the copy's overrun.
    std::uint8_t window[2 * WindowSize + MaxMatch + CopyOverrun];
    TableEntry mainTable[1 << MainTableBits];
    // Length-code set while the main lengths are read, then the offset set for the rest of the segment.
    TableEntry smallTable[1 << SmallTableBits];
    DecodeNodes nodes;
    std::uint8_t mainLengths[MainSymbols];
    std::uint8_t smallLengths[LengthCodeSymbols];
};

inline constexpr int ChunkStart = WindowSize;  // where each chunk is decoded in the window

static_assert(ChunkSize <= WindowSize, "a chunk keeps a whole window of history below it");
static_assert(sizeof(WorkMemory::window) >= ChunkStart + ChunkSize + (MaxMatch - 1) + (CopyOverrun - 1));
static_assert(LengthCodeSymbols >= OffsetSymbols, "both small sets fit the shared lengths");
static_assert(sizeof(WorkMemory) <= 30 * 1024, "fixed work memory of about 29 KiB");

}  // namespace quibel::lh5
