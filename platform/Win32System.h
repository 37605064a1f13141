#pragma once
// Small Win32 helpers shared by the installer and the Windows build of qpack.

#include <cstdint>
#include <string>

namespace quibel {

// The system's message for an error code, without trailing blanks, control characters and full stops.
std::string SystemErrorText(std::uint32_t errorCode);
// The full form of a path (GetFullPathNameA); the path itself when the system cannot make one.
std::string FullPathName(const std::string& path);

}  // namespace quibel
