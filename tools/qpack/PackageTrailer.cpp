#include "tools/qpack/PackageTrailer.h"

#include <algorithm>

#include "payload/PackageFormat.h"

namespace quibel::qpack {

namespace {

constexpr std::int64_t kLargestSigningPadding = 7;  // signing aligns the certificate table on 8 bytes

std::uint16_t TagAt(const std::vector<std::uint8_t>& file, std::int64_t offset) {
    const auto at = static_cast<std::size_t>(offset);
    return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

}  // namespace

Signature FindSignature(const std::vector<std::uint8_t>& file) {
    Signature signature;
    signature.table = FindCertificateTable(file);
    if (signature.table) {
        const auto size = static_cast<std::int64_t>(file.size());
        const CertificateTable& table = *signature.table;
        if (table.offset > size || table.offset + table.size != size) {
            signature.problem = "the security directory names a certificate table of " + std::to_string(table.size) +
                                " bytes at offset " + std::to_string(table.offset) +
                                ", which does not run to the end of the file (" + std::to_string(size) + " bytes)";
        }
    }
    return signature;
}

std::int64_t TreeLimit(const std::vector<std::uint8_t>& file, const Signature& signature) {
    return signature.table && !signature.problem ? signature.table->offset : static_cast<std::int64_t>(file.size());
}

std::optional<std::string> TrailerProblem(const std::vector<std::uint8_t>& file,
                                          std::int64_t end,
                                          const Signature& signature) {
    const auto size = static_cast<std::int64_t>(file.size());
    if (signature.problem) {
        return signature.problem;
    }
    if (!signature.table) {
        if (end == size) {
            return std::nullopt;
        }
        return std::to_string(size - end) + " bytes follow the tree; nothing may follow it in an unsigned package";
    }
    const std::int64_t gap = signature.table->offset - end;
    const bool padding =
        gap >= 0 && gap <= kLargestSigningPadding &&
        std::all_of(file.begin() + end, file.begin() + signature.table->offset, [](std::uint8_t b) { return b == 0; });
    if (!padding) {
        return "the certificate table at offset " + std::to_string(signature.table->offset) +
               " does not follow the tree: only 0 to 7 zero bytes may stand between them, not " +
               (gap < 0 ? "an overlap of " + std::to_string(-gap) + " bytes" : std::to_string(gap) + " bytes") +
               (gap >= 0 && gap <= kLargestSigningPadding ? " that are not all zero" : "");
    }
    return std::nullopt;
}

std::int64_t EntryTagInInstallerWalk(const std::vector<std::uint8_t>& file,
                                     std::int64_t offset,
                                     std::size_t openLists) {
    const auto size = static_cast<std::int64_t>(file.size());
    for (; openLists > 0 && offset + 2 <= size; --openLists, offset += 2) {
        const std::uint16_t tag = TagAt(file, offset);
        if (tag == DirectoryTag || tag == FileTag) {
            return offset;
        }
    }
    return -1;
}

}  // namespace quibel::qpack
