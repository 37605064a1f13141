#pragma once
// The bytes of a package: marker, banner and entries in canonical order, appended to a byte string.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quibel::qpack {

using ByteString = std::vector<std::uint8_t>;

// Marker, reserved word, banner line count and lines (Windows-1252).
void AppendPackageHeader(ByteString& out, const std::vector<std::string>& bannerLines);
// DirectoryTag and the directory's path from the root ("" for the root itself).
void AppendDirectoryEntry(ByteString& out, const std::string& name);
// FileTag, the file name, the block length (4 + block size), then the compressed block.
void AppendFileEntry(ByteString& out, const std::string& name, const ByteString& block);
// The same entry without its block, for a writer that writes the block from where it lies.
void AppendFileEntryHead(ByteString& out, const std::string& name, std::size_t blockSize);
// count ClosingTag words: an installer's tree ends with one per directory entry.
void AppendClosingTags(ByteString& out, std::size_t count);

}  // namespace quibel::qpack
