#include "tools/qpack/inspect/PackageTrailer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "payload/PackageFormat.h"
#include "tools/qpack/common/PackageDigest.h"

namespace quibel::qpack {

namespace {

bool AllZero(ByteSource& file, std::int64_t from, std::int64_t to) {
    std::uint8_t bytes[kLargestSigningPadding] = {};
    const std::size_t got = file.ReadAt(from, bytes, static_cast<std::size_t>(to - from));
    return static_cast<std::int64_t>(got) == to - from &&
           std::all_of(bytes, bytes + got, [](auto b) { return b == 0; });
}

constexpr std::uint16_t kCertificateRevision = 0x0200;  // WIN_CERT_REVISION_2_0
constexpr std::uint16_t kCertificateType = 2;           // WIN_CERT_TYPE_PKCS_SIGNED_DATA

// The offset of a digest record within [from, to), or -1.
std::int64_t RecordWithin(ByteSource& file, std::int64_t from, std::int64_t to) {
    constexpr std::size_t kPiece = 1 << 16;
    const auto magicSize = static_cast<std::ptrdiff_t>(std::strlen(kDigestMagic));
    std::vector<std::uint8_t> piece(kPiece + static_cast<std::size_t>(kDigestRecordSize));
    for (std::int64_t at = from; at < to; at += kPiece) {
        const std::size_t got = file.ReadAt(at, piece.data(), piece.size());
        const auto end = piece.begin() + static_cast<std::ptrdiff_t>(got);
        for (auto hit = piece.begin(); (hit = std::search(hit, end, kDigestMagic, kDigestMagic + magicSize)) != end;
             ++hit) {
            const std::int64_t offset = at + (hit - piece.begin());
            if (offset < to && ParseDigestRecord(std::span(&*hit, static_cast<std::size_t>(end - hit)), offset)) {
                return offset;
            }
        }
    }
    return -1;
}

// Why the bytes the security directory names are no certificate table that signing appended: its first entry
// (WIN_CERTIFICATE) must give the directory's size, revision 2.0 and the type of a signature, and it must follow
// the digest record, never hold it (the digest is checked against the record before the table).
std::optional<std::string> NotACertificateTable(ByteSource& file, const CertificateTable& table) {
    std::uint8_t head[8] = {};
    file.ReadAt(table.offset, head, sizeof head);
    const std::uint32_t length = head[0] | head[1] << 8 | head[2] << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    const auto revision = static_cast<std::uint16_t>(head[4] | head[5] << 8);
    const auto type = static_cast<std::uint16_t>(head[6] | head[7] << 8);
    const std::string named = "the security directory names " + std::to_string(table.size) + " bytes at offset " +
                              std::to_string(table.offset);
    if (length != table.size || revision != kCertificateRevision || type != kCertificateType) {
        char found[96];
        std::snprintf(found, sizeof found, "length %lu, revision 0x%04X, type %u", static_cast<unsigned long>(length),
                      static_cast<unsigned>(revision), static_cast<unsigned>(type));
        return named + " that are no certificate table: its entry says " + found + " where a table's says length " +
               std::to_string(table.size) + ", revision 0x0200, type 2";
    }
    if (const std::int64_t record = RecordWithin(file, table.offset, table.offset + table.size); record >= 0) {
        return named + ", which hold the digest record at offset " + std::to_string(record) +
               ": a certificate table may only follow the record";
    }
    return std::nullopt;
}

}  // namespace

Signature FindSignature(ByteSource& file) {
    Signature signature;
    signature.table = FindCertificateTable(file);
    if (signature.table) {
        const std::int64_t size = file.Size();
        const CertificateTable& table = *signature.table;
        if (table.offset > size || table.offset + table.size != size) {
            signature.problem = "the security directory names a certificate table of " + std::to_string(table.size) +
                                " bytes at offset " + std::to_string(table.offset) +
                                ", which does not run to the end of the file (" + std::to_string(size) + " bytes)";
        } else {
            signature.problem = NotACertificateTable(file, table);
        }
    }
    return signature;
}

std::int64_t TreeLimit(ByteSource& file, const Signature& signature) {
    return signature.table && !signature.problem ? signature.table->offset : file.Size();
}

std::optional<std::string> TrailerProblem(ByteSource& file, std::int64_t end, const Signature& signature) {
    if (signature.problem) {
        return signature.problem;
    }
    const std::int64_t limit = TreeLimit(file, signature);
    std::vector<std::uint8_t> record(static_cast<std::size_t>(kDigestRecordSize));
    record.resize(end < limit ? file.ReadAt(end, record.data(), record.size()) : 0);
    if (const auto parsed = ParseDigestRecord(record, end)) {
        if (parsed->covered != end) {
            return "the digest record at offset " + std::to_string(end) + " says it follows " +
                   std::to_string(parsed->covered) + " bytes";
        }
        end += kDigestRecordSize;
    }
    const std::int64_t gap = limit - end;
    if (!ReadPeHeaders(file)) {
        if (gap == 0) {
            return std::nullopt;
        }
        return std::to_string(gap) + " bytes follow the tree; nothing may follow it in a package that is no program";
    }
    if (gap >= 0 && gap <= kLargestSigningPadding && AllZero(file, end, limit)) {
        return std::nullopt;
    }
    const std::string padding = std::string(signature.table ? "only 0 to 7 zero bytes" : "only the 0 to 7 zero bytes") +
                                (signature.table ? " may stand between them" : " that signing leaves may follow it");
    const std::string found =
        gap < 0 ? "an overlap of " + std::to_string(-gap) + " bytes"
                : std::to_string(gap) + " bytes" + (gap <= kLargestSigningPadding ? " that are not all zero" : "");
    if (signature.table) {
        return "the certificate table at offset " + std::to_string(limit) + " does not follow the tree: " + padding +
               ", not " + found;
    }
    return found + " follow the tree; " + padding;
}

std::int64_t EntryTagInInstallerWalk(ByteSource& file, std::int64_t offset, std::size_t openLists) {
    const std::int64_t size = file.Size();
    std::vector<std::uint8_t> piece(64 * 1024);
    std::int64_t pieceStart = -1;
    std::int64_t pieceEnd = -1;
    const std::size_t tags = openLists + kFurtherExtractTreeCalls;
    for (std::size_t tag = 0; tag < tags && offset + 2 <= size; ++tag, offset += 2) {
        if (offset < pieceStart || offset + 2 > pieceEnd) {
            pieceStart = offset;
            pieceEnd = offset + static_cast<std::int64_t>(file.ReadAt(offset, piece.data(), piece.size()));
            if (pieceEnd < offset + 2) {
                return -1;
            }
        }
        const auto at = static_cast<std::size_t>(offset - pieceStart);
        const auto word = static_cast<std::uint16_t>(piece[at] | piece[at + 1] << 8);
        if (word == DirectoryTag || (tag < openLists && word == FileTag)) {
            return offset;
        }
    }
    return -1;
}

}  // namespace quibel::qpack
