#pragma once
// Reads a directory tree from the host file system into the canonical order of a package, checking that
// Windows can hold every name. Symbolic links are refused unless asked for: a link could pull in a tree from
// outside or loop, and the package would not show what the directory holds. The whole tree is checked before
// anything is written, and every problem is reported at once, so that one run shows all there is to fix.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/qpack/common/InstallPaths.h"
#include "tools/qpack/tree/HostLinks.h"
#include "tools/qpack/tree/TreeProblems.h"

namespace quibel::qpack {

struct ScanOptions {
    // As tar -h: a link to a file packs the file's content under the link's name, a link to a directory packs
    // that directory's tree under it. A link that loops back to a directory above it, or leads nowhere, is a
    // problem.
    bool followLinks = false;
    // The shortest base the package is installed under (common/InstallPaths.h): paths too long under it get a
    // warning.
    std::string installBase = kShortestSideArchiveBase;
};

// A file keeps only its host name: its directory holds the path once (a path per file would hold every part of
// it again, and a large tree's scan would outweigh the packing).
struct ScannedFile {
    std::string name;  // Windows-1252, composed (NFC) from the host's name
    std::filesystem::path::string_type hostName;
    std::uint64_t size = 0;
    FileIdentity identity;  // packing reads this very file, or fails
    bool viaLink = false;   // reached through a followed link
};

struct ScannedDirectory {
    std::string name;                // the path from the root in Windows-1252 ("\data\sounds"); empty for the root
    std::filesystem::path hostPath;  // as scanned: through the link for a directory reached through one
    std::vector<ScannedFile> files;  // in package order
};

struct ScannedTree {
    std::vector<ScannedDirectory> directories;  // pre-order, each level in package order
    std::vector<std::string> warnings;
    std::size_t fileCount = 0;
    std::uint64_t totalBytes = 0;
    // Directories packed through a followed link, as the link names them: an output written inside one is
    // written inside the input too.
    std::vector<std::filesystem::path> linkedDirectories;
};

// Throws TreeProblems listing, in tree order and each naming its path: names Windows cannot hold (composed, NFC,
// before their Windows-1252 form is sought), names that differ only in letter case or in composition, symbolic
// links (unless followed; then dangling links and loops), other non-regular files, files of 2 GiB or more, files
// and directories that cannot be read. Throws PackError when the root is no
// directory ("no such directory" when nothing is there).
ScannedTree ScanTree(const std::filesystem::path& root, const ScanOptions& options = {});

// The program the installer's shortcut starts; it must stand at the root of the tree.
inline constexpr const char* ProductProgram = "quibel.exe";

// True when the root directory of the tree holds a file named quibel.exe, in any letter case.
bool RootHoldsProductProgram(const ScannedTree& tree);

}  // namespace quibel::qpack
