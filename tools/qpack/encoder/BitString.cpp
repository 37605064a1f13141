#include "tools/qpack/encoder/BitString.h"

namespace quibel::qpack {

void BitString::Append(const BitString& other) {
    const unsigned shift = static_cast<unsigned>(bitCount % 8);
    bytes.resize(static_cast<std::size_t>((bitCount + 7) / 8));  // drops stray bytes past the bits
    const std::size_t otherBytes = static_cast<std::size_t>((other.bitCount + 7) / 8);
    if (shift == 0) {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.begin() + static_cast<std::ptrdiff_t>(otherBytes));
    } else {
        // Each byte of other straddles two: its high bits fill the open byte, its low bits start the next.
        const std::size_t open = bytes.size() - 1;
        bytes.resize(bytes.size() + otherBytes);
        std::uint8_t* out = bytes.data() + open;
        for (std::size_t i = 0; i < otherBytes; ++i) {
            const std::uint8_t byte = other.bytes[i];
            out[i] = static_cast<std::uint8_t>(out[i] | (byte >> shift));
            out[i + 1] = static_cast<std::uint8_t>(byte << (8 - shift));
        }
    }
    bitCount += other.bitCount;
    bytes.resize(static_cast<std::size_t>((bitCount + 7) / 8));
}

}  // namespace quibel::qpack
