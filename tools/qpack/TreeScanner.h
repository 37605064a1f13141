#pragma once
// Reads a directory tree from the host file system into the canonical order of a package, checking that
// Windows can hold every name. Symbolic links are refused, not followed: a link could pull in a tree from
// outside or loop, and the package would not show what the directory holds.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quibel::qpack {

struct ScannedFile {
    std::string name;  // Windows-1252
    std::filesystem::path hostPath;
    std::uint64_t size = 0;
};

struct ScannedDirectory {
    std::string name;                // the path from the root in Windows-1252 ("\data\sounds"); empty for the root
    std::vector<ScannedFile> files;  // in package order
};

struct ScannedTree {
    std::vector<ScannedDirectory> directories;  // pre-order, each level in package order
    std::vector<std::string> warnings;
    std::size_t fileCount = 0;
    std::uint64_t totalBytes = 0;
};

// Throws PackError naming the path on a name Windows cannot hold, two names that differ only in letter case,
// a symbolic link or other non-regular file, a file of 2 GiB or more, or a directory that cannot be read.
ScannedTree ScanTree(const std::filesystem::path& root);

// A host path as text for messages: UTF-8 on Linux, Windows-1252 on Windows.
std::string DisplayPath(const std::filesystem::path& path);

}  // namespace quibel::qpack
