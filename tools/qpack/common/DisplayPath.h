#pragma once
// Host paths as every command shows them in its messages.

#include <filesystem>
#include <string>

namespace quibel::qpack {

// The path's bytes as UTF-8 (its Unicode form on Windows).
std::string HostBytes(const std::filesystem::path& path);

// A host path as text for messages: UTF-8 on Linux, Windows-1252 on Windows, shown through ShownText (escapes).
std::string DisplayPath(const std::filesystem::path& path);

}  // namespace quibel::qpack
