#pragma once
// A run of lh5 bits as the decoder reads them: most significant bit first, the bits past bitCount in the last
// byte zero. Streams encoded apart are joined bit by bit: segments need no alignment.

#include <cstdint>
#include <vector>

namespace quibel::qpack {

struct BitString {
    std::vector<std::uint8_t> bytes;
    std::uint64_t bitCount = 0;

    // Puts other's bits right after the last bit of this one.
    void Append(const BitString& other);
};

}  // namespace quibel::qpack
