#pragma once
// A run of bytes of a file: where it starts and how long it is.

#include <cstdint>

namespace quibel::qpack {

struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

}  // namespace quibel::qpack
