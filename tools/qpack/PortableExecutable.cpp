#include "tools/qpack/PortableExecutable.h"

namespace quibel::qpack {

namespace {

constexpr std::size_t kNewHeaderOffsetField = 0x3C;   // e_lfanew in the DOS header
constexpr std::size_t kFileHeaderSize = 20;           // the COFF file header after the signature
constexpr std::size_t kOptionalHeaderSizeField = 16;  // SizeOfOptionalHeader, in the file header
constexpr int kSecurityDirectory = 4;

struct OptionalHeaderLayout {
    std::uint16_t magic;
    std::size_t directoryCountField;  // NumberOfRvaAndSizes
    std::size_t directories;          // the first data directory
};
constexpr OptionalHeaderLayout kLayouts[] = {{0x10B, 92, 96}, {0x20B, 108, 112}};  // PE32, PE32+

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[offset + static_cast<std::size_t>(i)];
    }
    return value;
}

}  // namespace

std::optional<std::size_t> PeSignatureOffset(const std::vector<std::uint8_t>& image) {
    if (image.size() < kNewHeaderOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') {
        return std::nullopt;
    }
    const std::size_t offset = Little(image, kNewHeaderOffsetField, 4);
    if (offset < kNewHeaderOffsetField + 4 || offset > image.size() - 4 || image[offset] != 'P' ||
        image[offset + 1] != 'E' || image[offset + 2] != 0 || image[offset + 3] != 0) {
        return std::nullopt;
    }
    return offset;
}

std::optional<CertificateTable> FindCertificateTable(const std::vector<std::uint8_t>& image) {
    const auto signature = PeSignatureOffset(image);
    if (!signature || image.size() - *signature < 4 + kFileHeaderSize + 2) {
        return std::nullopt;
    }
    const std::size_t optional = *signature + 4 + kFileHeaderSize;
    const std::size_t optionalSize = Little(image, *signature + 4 + kOptionalHeaderSizeField, 2);
    const std::uint16_t magic = static_cast<std::uint16_t>(Little(image, optional, 2));
    for (const OptionalHeaderLayout& layout : kLayouts) {
        const std::size_t entry = layout.directories + 8 * kSecurityDirectory;
        if (magic != layout.magic || optionalSize < entry + 8 || image.size() - optional < entry + 8 ||
            Little(image, optional + layout.directoryCountField, 4) <= kSecurityDirectory) {
            continue;
        }
        const CertificateTable table{Little(image, optional + entry, 4), Little(image, optional + entry + 4, 4)};
        if (table.size == 0) {
            return std::nullopt;
        }
        return table;
    }
    return std::nullopt;
}

}  // namespace quibel::qpack
