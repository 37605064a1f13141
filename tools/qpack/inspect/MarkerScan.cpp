#include "tools/qpack/inspect/MarkerScan.h"

#include <algorithm>
#include <vector>

#include "payload/PackageFormat.h"

namespace quibel::qpack {

std::int64_t FindMarker(ByteSource& file, std::int64_t from, std::int64_t limit) {
    constexpr std::int64_t kPiece = 64 * 1024;  // even: the words stay aligned from piece to piece
    limit = std::min(limit, file.Size());
    std::vector<std::uint8_t> piece(kPiece);
    int run = 0;
    for (std::int64_t at = std::max<std::int64_t>(from, 0); at + 2 <= limit; at += kPiece) {
        const auto got = static_cast<std::int64_t>(
            file.ReadAt(at, piece.data(), static_cast<std::size_t>(std::min(kPiece, limit - at))));
        for (std::int64_t i = 0; i + 2 <= got; i += 2) {
            const auto word = static_cast<std::uint16_t>(piece[i] | piece[i + 1] << 8);
            run = word == MarkerWord ? run + 1 : 0;
            if (run == MarkerWordCount) {
                return at + i - 2 * (MarkerWordCount - 1);
            }
        }
        if (got < std::min(kPiece, limit - at)) {
            break;
        }
    }
    return -1;
}

}  // namespace quibel::qpack
