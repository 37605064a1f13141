#pragma once
// Inputs must be regular files: a directory would be read as a file of absurd size, a FIFO would block the
// command forever, a device would be read without end.

#include <filesystem>

namespace quibel::qpack {

// Throws PackError naming the path and what it is when the path exists and is no regular file (a link to a
// regular file is one). It is checked before the file is opened, so such an input is never read. A path that
// does not exist passes: opening it gives the usual failure.
void RequireRegularFile(const std::filesystem::path& path);

}  // namespace quibel::qpack
