#pragma once
// The files of a packed tree, read as the scan saw them: each is opened without following a link at its name
// (unless links are followed) and must still be the file the scan found, the same file identity and size. A file
// swapped for a link or another file between the scan and its packing fails the pack, naming it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/qpack/tree/HostLinks.h"

namespace quibel::qpack {

struct HostFileFacts {
    FileIdentity identity;
    std::uint64_t size = 0;
};

// What the scan records of a regular file; nothing, with the reason in problem, when it cannot be opened for
// reading or is no regular file (anymore).
std::optional<HostFileFacts> ScanHostFile(const std::filesystem::path& path, bool followLinks, std::string& problem);

// The bytes [begin, end) of the file the scan recorded, by default all of them; PackError naming it when they
// cannot be read (a range that ends the file: when the file goes on) or it is no longer that file.
std::vector<std::uint8_t> ReadScannedFile(const std::filesystem::path& path,
                                          const HostFileFacts& scanned,
                                          bool followLinks,
                                          std::uint64_t begin = 0,
                                          std::uint64_t end = UINT64_MAX);

}  // namespace quibel::qpack
