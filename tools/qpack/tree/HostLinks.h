#pragma once
// What following links needs from the host file system: whether a path is a link, and which file or directory a
// path leads to, so that a link back to a directory above it is found however many links the way goes through,
// and an output is found inside its input by whatever name it reaches it.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quibel::qpack {

// Device and inode on POSIX; volume serial number and file ID on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t object = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file or directory the path leads to, links followed; nothing when it cannot be found.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// True when the path itself is a symbolic link (on Windows: any reparse point, junctions included).
bool IsLink(const std::filesystem::path& path);

}  // namespace quibel::qpack
