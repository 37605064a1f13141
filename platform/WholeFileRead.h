#pragma once
// Reading the whole of an open file, shared by the Win32 and POSIX file systems: every byte of the size the file
// had when it was opened, or a failure. A load cut short by a failed read (a byte range locked by another process,
// a network file that went away) must never pass for the whole file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quibel {

// Reads up to count bytes of an open file at its position into buffer; returns how many (0 at the end of the
// file), or -1 when the system reports a failure.
using FileRead = std::function<std::int64_t(std::intptr_t file, void* buffer, std::size_t count)>;

// The system's read of the platform's file handles (a HANDLE on Windows, a descriptor elsewhere).
std::int64_t SystemFileRead(std::intptr_t file, void* buffer, std::size_t count);

// The size bytes of the file. EStreamError when there is no memory for them; EReadError when a read fails or the
// file ends before size bytes.
std::vector<std::uint8_t> ReadWholeOpenFile(std::intptr_t file, std::uint64_t size, const FileRead& read);

}  // namespace quibel
