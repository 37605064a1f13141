#include "tools/qpack/common/PackageDigest.h"

#include <algorithm>
#include <cstring>

namespace quibel::qpack {

namespace {

constexpr std::int64_t kMagicSize = sizeof kDigestMagic - 1;

constexpr bool Printable(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text <= ' ' || *text > '~') {
            return false;
        }
    }
    return true;
}
static_assert(Printable(kDigestMagic), "the record is printable ASCII without blanks: no byte of it starts a tag");

bool IsHexDigit(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

void PackageDigester::Add(std::span<const std::uint8_t> bytes) {
    static const std::uint8_t zeros[8] = {};
    while (!bytes.empty()) {
        // The piece up to the next zeroed range's edge; inside a range, zeros in its place.
        std::size_t n = bytes.size();
        bool zeroed = false;
        for (const ByteRange& range : zeroed_) {
            if (covered_ >= range.offset && covered_ < range.offset + range.size) {
                n = std::min<std::size_t>(n, static_cast<std::size_t>(range.offset + range.size - covered_));
                zeroed = true;
            } else if (range.offset > covered_) {
                n = std::min<std::size_t>(n, static_cast<std::size_t>(range.offset - covered_));
            }
        }
        if (zeroed) {
            n = std::min(n, sizeof zeros);
        }
        sha_.Add(zeroed ? std::span<const std::uint8_t>(zeros, n) : bytes.first(n));
        bytes = bytes.subspan(n);
        covered_ += static_cast<std::int64_t>(n);
    }
}

std::vector<std::uint8_t> PackageDigester::Record() {
    std::string length = std::to_string(covered_);
    length.insert(0, static_cast<std::size_t>(kDigestLengthDigits) - length.size(), '0');
    const std::string text = kDigestMagic + length + ":" + sha_.HexDigest();
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::optional<DigestRecord> ParseDigestRecord(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    if (static_cast<std::int64_t>(bytes.size()) < kDigestRecordSize ||
        std::memcmp(bytes.data(), kDigestMagic, kMagicSize) != 0 || bytes[kMagicSize + kDigestLengthDigits] != ':') {
        return std::nullopt;
    }
    DigestRecord record{offset, 0, {}};
    for (std::int64_t i = 0; i < kDigestLengthDigits; ++i) {
        const std::uint8_t c = bytes[static_cast<std::size_t>(kMagicSize + i)];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        record.covered = record.covered * 10 + (c - '0');
    }
    const auto digest = bytes.subspan(static_cast<std::size_t>(kMagicSize + kDigestLengthDigits + 1), 64);
    if (!std::all_of(digest.begin(), digest.end(), IsHexDigit)) {
        return std::nullopt;
    }
    record.digest.assign(digest.begin(), digest.end());
    return record;
}

}  // namespace quibel::qpack
