#pragma once
// The facts qpack reads from a PE image's headers: where the "PE\0\0" signature stands, the file and optional
// headers, the section table, the data directories, and the fields that signing rewrites (the checksum and the
// security directory, entry 4, which unlike the others holds a file offset, not an address in memory).
// Everything is read from a ByteSource, so that a package of any size is never held whole for it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "payload/ByteSource.h"
#include "tools/qpack/common/ByteRange.h"

namespace quibel::qpack {

inline constexpr std::uint16_t kMachineI386 = 0x14C;
inline constexpr std::uint16_t kOptionalMagicPe32 = 0x10B;
inline constexpr std::uint16_t kOptionalMagicPe32Plus = 0x20B;
inline constexpr std::uint16_t kSubsystemWindowsGui = 2;
inline constexpr std::uint16_t kImageExecutable = 0x0002;  // file header characteristics
inline constexpr std::uint16_t kImageDll = 0x2000;
inline constexpr int kResourceDirectory = 2;
inline constexpr int kSecurityDirectory = 4;

struct PeHeaders {
    std::int64_t signature = 0;  // offset of "PE\0\0", as the MZ header's e_lfanew gives it
    std::uint16_t machine = 0;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalHeaderSize = 0;
    std::uint16_t characteristics = 0;
    std::int64_t optionalHeader = 0;  // its offset
    std::uint16_t magic = 0;          // of the optional header; 0 when the file ends before it
    std::uint16_t subsystem = 0;
    std::uint32_t directoryCount = 0;      // NumberOfRvaAndSizes
    std::int64_t directories = 0;          // offset of the first data directory entry; 0 for an unknown magic
    std::optional<std::int64_t> checksum;  // offset of the CheckSum field, when the optional header holds it

    // The offset of data directory entry index (its address and size, 4 bytes each), when the optional header and
    // the file hold it.
    std::optional<std::int64_t> DirectoryEntry(int index) const;
};

// What the Windows loader takes for a PE image: "MZ", then at the offset its e_lfanew names, anywhere inside the
// file (also inside the MZ header itself, as low as 0x0C), the signature "PE\0\0". nullopt for any other file.
// The headers after the signature are read as far as the file holds them.
std::optional<PeHeaders> ReadPeHeaders(ByteSource& file);

struct PeSection {
    std::string name;  // up to 8 characters
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;    // SizeOfRawData
    std::uint32_t rawOffset = 0;  // PointerToRawData
};

// The section table as far as the file holds it.
std::vector<PeSection> ReadPeSections(ByteSource& file, const PeHeaders& headers);

// The file offset of an address in memory (an RVA), through the section that holds it in the file.
std::optional<std::int64_t> FileOffsetOf(const std::vector<PeSection>& sections, std::uint32_t address);

struct DataDirectory {
    std::uint32_t address = 0;  // an RVA, or for the security directory a file offset
    std::uint32_t size = 0;
};
std::optional<DataDirectory> ReadDataDirectory(ByteSource& file, const PeHeaders& headers, int index);

// The certificate table that the security directory of a signed image names.
struct CertificateTable {
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

// nullopt for a file that is no PE image (or whose optional header is cut short) or whose security directory is
// empty.
std::optional<CertificateTable> FindCertificateTable(ByteSource& file);

// The bytes signing rewrites in place: the checksum field and the security directory entry (none for a file
// that is no PE image). The package digest counts them as zeros, so that signing keeps it valid.
std::vector<ByteRange> SigningFields(ByteSource& file);

}  // namespace quibel::qpack
