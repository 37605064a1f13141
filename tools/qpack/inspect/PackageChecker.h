#pragma once
// Reads a package as the installer does and checks it against what every package must respect and against the
// form that qpack writes: list and verify are built on it. The file is read as the walk reaches it, one block in
// memory at a time, and blocks are decoded into a CheckingSink: a package of any size, and a block that declares
// any size, cost a bounded amount of memory. What is kept follows the path of the last directory (its levels) and
// the names of the directories on it (the widest directory's names), never the number of entries or banner lines.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "payload/ByteSource.h"

namespace quibel::qpack {

struct PackageEntry {
    bool isDirectory = false;
    std::string name;              // Windows-1252; a directory's path from the root, or a file's plain name
    std::string directory;         // a file's directory
    std::int64_t offset = 0;       // of its tag
    std::int64_t blockOffset = 0;  // a file's: of its block length, the first of the blockLength bytes it stores
    std::int32_t blockLength = 0;
    std::int32_t decodedSize = 0;  // from the block's size field
};

struct PackageReport {
    bool payloadFound = false;
    std::int64_t markerOffset = 0;
    std::vector<std::string> bannerLines;  // when CheckOptions::keepEntries
    std::size_t bannerLineCount = 0;
    std::size_t directories = 0;
    std::size_t files = 0;
    std::vector<PackageEntry> entries;      // every entry in file order, when CheckOptions::keepEntries
    std::size_t closingTags = 0;            // after the tree: one per open list, or none (an older qpack)
    std::int64_t certificateTableSize = 0;  // of a signed file; 0 when not signed
    std::vector<std::string> faults;        // empty when the package is sound
    std::vector<std::string> warnings;      // paths no install can create (CheckOptions::installBase)
};

// Bytes that a sound encoder leaves after the last bit its symbols use. Measured: none for jlha (1,445 streams)
// and for qpack's encoder (2,232 streams, --best included), at most 1 for the 53 streams of 15 tools in the
// shared lh5 corpus (lhasa's bare test stream has 1). More is room where something else was put.
inline constexpr std::int64_t kLargestUnusedStreamBytes = 1;

struct CheckOptions {
    // Keep every entry and banner line in the report; without it, memory does not grow with the package's size.
    bool keepEntries = true;
    // Each banner line as soon as it is read, with the report so far (marker found).
    std::function<void(const PackageReport&, const std::string&)> bannerLine;
    // The shortest base the package is installed under (common/InstallPaths.h): paths too long under it are
    // warnings. Empty: not looked at.
    std::string installBase;
    // Each entry as soon as it is read, with the report so far (marker and banner found).
    std::function<void(const PackageReport&, const PackageEntry&)> entry;
    // Decode every block: it must give its decoded size from its own bits, neither running past the end of its
    // bit stream nor leaving more than kLargestUnusedStreamBytes of it unused.
    bool decodeBlocks = false;
    // With decodeBlocks: a file's decoded bytes as they come, in pieces (the fuzz target compares them with what
    // the installer writes).
    std::function<void(const PackageEntry&, std::span<const std::uint8_t>)> content;
};

// The installer reads a package whole, and refuses a file above this size before reading it ("Mémoire
// insuffisante").
inline constexpr std::int64_t kLargestLoadedFile = 0x7FFFFFFF;
// Why the installer cannot load a file of this size, or nothing when it can.
std::optional<std::string> LoadProblem(std::int64_t size);

// Walks the package from the marker found from the offset from. After the tree it accepts exactly what
// PackageTrailer.h describes, and checks that the installer's walk, replayed over what follows the tree, meets
// no entry tag.
PackageReport CheckPackage(ByteSource& file, std::int32_t from, const CheckOptions& options);
PackageReport CheckPackage(const std::vector<std::uint8_t>& bytes, std::int32_t from, bool decodeBlocks);

}  // namespace quibel::qpack
