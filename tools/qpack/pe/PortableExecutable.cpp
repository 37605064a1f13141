#include "tools/qpack/pe/PortableExecutable.h"

#include "tools/qpack/pe/FileFields.h"

#include <algorithm>

namespace quibel::qpack {

namespace {

constexpr std::int64_t kNewHeaderOffsetField = 0x3C;  // e_lfanew in the MZ header
constexpr std::int64_t kFileHeaderSize = 20;          // the COFF file header after the signature
constexpr std::int64_t kSectionHeaderSize = 40;
constexpr std::int64_t kChecksumField = 64;  // in the optional header, the same for PE32 and PE32+
constexpr std::int64_t kLargestOptionalHeader = 240;

struct OptionalHeaderLayout {
    std::uint16_t magic;
    std::int64_t subsystemField;
    std::int64_t directoryCountField;  // NumberOfRvaAndSizes
    std::int64_t directories;          // the first data directory
};
constexpr OptionalHeaderLayout kLayouts[] = {{kOptionalMagicPe32, 68, 92, 96}, {kOptionalMagicPe32Plus, 68, 108, 112}};

}  // namespace

std::optional<std::int64_t> PeHeaders::DirectoryEntry(int index) const {
    const std::int64_t entry = directories + 8 * index;
    if (directories == 0 || directoryCount <= static_cast<std::uint32_t>(index) ||
        optionalHeaderSize < entry - optionalHeader + 8) {
        return std::nullopt;
    }
    return entry;
}

std::optional<PeHeaders> ReadPeHeaders(ByteSource& file) {
    const FileFields mz(file, 0, kNewHeaderOffsetField + 4);
    if (!mz.Holds(0, kNewHeaderOffsetField + 4) || mz.Text(0, 2) != "MZ") {
        return std::nullopt;
    }
    PeHeaders headers;
    headers.signature = mz.Little(kNewHeaderOffsetField, 4);
    const FileFields nt(file, headers.signature, 4 + kFileHeaderSize + kLargestOptionalHeader);
    if (!nt.Holds(0, 4) || nt.Text(0, 4) != std::string("PE\0\0", 4)) {
        return std::nullopt;
    }
    headers.machine = static_cast<std::uint16_t>(nt.Little(4, 2));
    headers.sectionCount = static_cast<std::uint16_t>(nt.Little(6, 2));
    headers.optionalHeaderSize = static_cast<std::uint16_t>(nt.Little(20, 2));
    headers.characteristics = static_cast<std::uint16_t>(nt.Little(22, 2));
    const std::int64_t optional = 4 + kFileHeaderSize;
    headers.optionalHeader = headers.signature + optional;
    const auto held = [&](std::int64_t field, std::int64_t size) {
        return nt.Holds(optional + field, size) && headers.optionalHeaderSize >= field + size;
    };
    headers.magic = held(0, 2) ? static_cast<std::uint16_t>(nt.Little(optional, 2)) : 0;
    if (held(kChecksumField, 4)) {
        headers.checksum = headers.optionalHeader + kChecksumField;
    }
    for (const OptionalHeaderLayout& layout : kLayouts) {
        if (headers.magic != layout.magic) {
            continue;
        }
        headers.subsystem = static_cast<std::uint16_t>(nt.Little(optional + layout.subsystemField, 2));
        if (held(layout.directoryCountField, 4)) {
            headers.directoryCount = nt.Little(optional + layout.directoryCountField, 4);
            headers.directories = headers.optionalHeader + layout.directories;
        }
    }
    return headers;
}

std::vector<PeSection> ReadPeSections(ByteSource& file, const PeHeaders& headers) {
    const std::int64_t table = headers.optionalHeader + headers.optionalHeaderSize;
    const FileFields fields(file, table, headers.sectionCount * kSectionHeaderSize);
    std::vector<PeSection> sections;
    for (std::int64_t at = 0; fields.Holds(at, kSectionHeaderSize); at += kSectionHeaderSize) {
        PeSection section;
        section.name = fields.Text(at, 8);
        section.name.erase(std::find(section.name.begin(), section.name.end(), '\0'), section.name.end());
        section.virtualSize = fields.Little(at + 8, 4);
        section.virtualAddress = fields.Little(at + 12, 4);
        section.rawSize = fields.Little(at + 16, 4);
        section.rawOffset = fields.Little(at + 20, 4);
        sections.push_back(section);
    }
    return sections;
}

std::optional<std::int64_t> FileOffsetOf(const std::vector<PeSection>& sections, std::uint32_t address) {
    for (const PeSection& section : sections) {
        if (address >= section.virtualAddress && address - section.virtualAddress < section.rawSize) {
            return std::int64_t{section.rawOffset} + (address - section.virtualAddress);
        }
    }
    return std::nullopt;
}

std::optional<DataDirectory> ReadDataDirectory(ByteSource& file, const PeHeaders& headers, int index) {
    const auto entry = headers.DirectoryEntry(index);
    if (!entry) {
        return std::nullopt;
    }
    const FileFields fields(file, *entry, 8);
    if (!fields.Holds(0, 8)) {
        return std::nullopt;
    }
    return DataDirectory{fields.Little(0, 4), fields.Little(4, 4)};
}

std::optional<CertificateTable> FindCertificateTable(ByteSource& file) {
    const auto headers = ReadPeHeaders(file);
    const auto directory = headers ? ReadDataDirectory(file, *headers, kSecurityDirectory) : std::nullopt;
    if (!directory || directory->size == 0) {
        return std::nullopt;
    }
    return CertificateTable{directory->address, directory->size};
}

std::vector<ByteRange> SigningFields(ByteSource& file) {
    std::vector<ByteRange> fields;
    const auto headers = ReadPeHeaders(file);
    if (!headers) {
        return fields;
    }
    if (headers->checksum) {
        fields.push_back({*headers->checksum, 4});
    }
    if (const auto entry = headers->DirectoryEntry(kSecurityDirectory)) {
        fields.push_back({*entry, 8});
    }
    return fields;
}

}  // namespace quibel::qpack
