#include "tools/qpack/PackageDigest.h"

#include <algorithm>
#include <cstring>

#include "tools/qpack/PackageTrailer.h"

namespace quibel::qpack {

namespace {

constexpr std::int64_t kMagicSize = sizeof kDigestMagic - 1;
constexpr std::size_t kPiece = 1 << 20;

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

// Where the record would end: before a soundly placed certificate table, and before trailing zero bytes (the
// record ends in a hexadecimal digit).
std::int64_t RecordEnd(ByteSource& file) {
    std::int64_t end = TreeLimit(file, FindSignature(file));
    std::uint8_t tail[kLargestSigningPadding];
    const std::int64_t from = std::max<std::int64_t>(0, end - kLargestSigningPadding);
    const std::size_t got = file.ReadAt(from, tail, static_cast<std::size_t>(end - from));
    for (std::size_t i = got; i > 0 && tail[i - 1] == 0; --i) {
        --end;
    }
    return end;
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

DigestCheck CheckPackageDigest(ByteSource& file) {
    DigestCheck check;
    const std::int64_t end = RecordEnd(file);
    if (end < kDigestRecordSize) {
        return check;
    }
    std::vector<std::uint8_t> piece(kPiece);
    const std::int64_t offset = end - kDigestRecordSize;
    const std::size_t got = file.ReadAt(offset, piece.data(), static_cast<std::size_t>(kDigestRecordSize));
    check.record = ParseDigestRecord(std::span(piece.data(), got), offset);
    if (!check.record) {
        return check;
    }
    if (check.record->covered != offset) {
        check.damage = "the digest record at offset " + std::to_string(offset) + " says it follows " +
                       std::to_string(check.record->covered) + " bytes";
        return check;
    }
    PackageDigester digester(SigningFields(file));
    for (std::int64_t at = 0; at < offset;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kPiece, offset - at));
        if (file.ReadAt(at, piece.data(), n) != n) {
            check.damage = "the file ends at offset " + std::to_string(at) + " while its digest is computed";
            return check;
        }
        digester.Add(std::span(piece.data(), n));
        at += static_cast<std::int64_t>(n);
    }
    const std::vector<std::uint8_t> record = digester.Record();
    const std::string digest(record.end() - 64, record.end());
    if (digest != check.record->digest) {
        check.damage = "the SHA-256 of the " + std::to_string(offset) + " bytes before the digest record is " + digest +
                       ", not " + check.record->digest + " as the record says: the file was changed after it was made";
    }
    return check;
}

}  // namespace quibel::qpack
