#pragma once
// The installer's search for the payload marker, over a file read piece by piece: whole 16-bit words from the scan
// start on, the first run of four MarkerWord values at an even distance from it.

#include <cstdint>

#include "payload/ByteSource.h"

namespace quibel::qpack {

// The offset of the marker found scanning from `from` in the first `limit` bytes of file; -1 when there is none.
std::int64_t FindMarker(ByteSource& file, std::int64_t from, std::int64_t limit);

}  // namespace quibel::qpack
