#include "tools/qpack/inspect/DigestCheck.h"

#include <algorithm>
#include <vector>

#include "tools/qpack/inspect/PackageTrailer.h"
#include "tools/qpack/pe/PortableExecutable.h"

namespace quibel::qpack {

namespace {

constexpr std::size_t kPiece = 1 << 20;

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
