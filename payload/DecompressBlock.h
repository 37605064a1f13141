#pragma once
// The lh5 block decompressor. A compressed block is an int32 decoded size followed by an lh5 bit stream that
// runs to the end of the source; the bits after the last byte read as zeros.

#include <cstdint>

#include "payload/ByteSink.h"
#include "payload/PayloadStream.h"

namespace quibel {

// What decoding found about the stream's end. Symbols that take bits past the last byte read zeros there, as the
// format has it: the bytes written are what the installer writes, but a sound stream never needs those zeros, so
// bitsPastEnd > 0 means the stream was cut short (or its block's length field understates it).
struct BlockDecodeEnd {
    std::int64_t bitsPastEnd = 0;  // bits consumed by symbols past the end; the reader's look-ahead not counted
    // Bytes of the bit stream that no symbol reached: where sound encoders leave at most a byte or two, anything
    // more was put there by something else. All of them when nothing was decoded (a size of 0 or below).
    std::int64_t unusedBytes = 0;
};

// Decodes the block that runs from the source's position to its end and writes exactly decoded-size bytes at
// the destination's position, in writes of at most 8,192 bytes (nothing for a size of 0 or below, or a source
// shorter than the size field). Raises ECorruptFile on a length list that forms no usable code; errors of the
// destination pass through. Keeps no state between calls: calls on several threads are safe.
BlockDecodeEnd DecompressBlock(PayloadStream& source, ByteSink& destination);
// Into an in-memory stream at its position, room made up front for the whole decoded size (EStreamError when the
// stream cannot grow).
BlockDecodeEnd DecompressBlock(PayloadStream& source, PayloadStream& destination);

// The same decoder with its bit buffer in a word of 32 or 64 bits, whatever the processor's own. The installer
// decodes with 32 bits: tests and fuzzing on a 64-bit machine check both widths through this.
BlockDecodeEnd DecompressBlockWithWordBits(int wordBits, PayloadStream& source, ByteSink& destination);
BlockDecodeEnd DecompressBlockWithWordBits(int wordBits, PayloadStream& source, PayloadStream& destination);

}  // namespace quibel
