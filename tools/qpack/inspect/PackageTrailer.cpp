#include "tools/qpack/inspect/PackageTrailer.h"

#include <algorithm>
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
