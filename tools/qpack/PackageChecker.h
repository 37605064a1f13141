#pragma once
// Reads a package as the installer does and checks it against what every package must respect and against
// the canonical form that qpack writes: list and verify are built on it.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel::qpack {

struct PackageEntry {
    bool isDirectory = false;
    std::string name;         // Windows-1252; a directory's path from the root, or a file's plain name
    std::string directory;    // a file's directory
    std::int64_t offset = 0;  // of its tag
    std::int32_t blockLength = 0;
    std::int32_t decodedSize = 0;  // from the block's size field
};

struct PackageReport {
    bool payloadFound = false;
    std::int64_t markerOffset = 0;
    std::vector<std::string> bannerLines;
    std::vector<PackageEntry> entries;
    std::size_t closingTags = 0;            // after the tree: one per open list in an installer, or none
    std::int64_t certificateTableSize = 0;  // of a signed installer; 0 when not signed
    std::vector<std::string> faults;        // empty when the package is sound
};

// Walks the package from the marker found from the offset from. With decodeBlocks, every block is decoded in
// memory as well and must yield its decoded size without reading past the end of its bit stream. After the tree
// it accepts exactly what PackageTrailer.h describes, and checks that the installer's walk, replayed over what
// follows the tree, meets no entry tag.
PackageReport CheckPackage(const std::vector<std::uint8_t>& bytes, std::int32_t from, bool decodeBlocks);

}  // namespace quibel::qpack
