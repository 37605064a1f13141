#pragma once
// The Win32 file system with the seam through which it reads reparse points, for tests under Wine, where no
// junction or cloud folder can be made.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/NativeFileSystem.h"

namespace quibel {

// What a directory is, as far as links go: whether it is a reparse point, and its reparse tag (0 when it carries
// none that the system can read).
struct ReparsePoint {
    bool present = false;
    std::uint32_t tag = 0;
};

// Reads it for a path and the handle that opened it without following a reparse point.
using ReparsePointRead = std::function<ReparsePoint(const std::string& path, std::intptr_t handle)>;

// The path's own attributes (GetFileAttributesA, which Wine gives a Unix link as a reparse point) and the tag of
// the open handle (FileAttributeTagInfo).
ReparsePoint SystemReparsePointRead(const std::string& path, std::intptr_t handle);

// A link is a reparse point that names another place (IsReparseTagNameSurrogate: symbolic links, junctions and
// mount points, WSL links) or one without a readable tag (Wine's Unix links). Cloud files, projected file systems
// and deduplicated volumes tag the directory itself, stored another way.
bool IsLink(const ReparsePoint& reparsePoint);

std::unique_ptr<FileSystem> MakeWin32FileSystem(FileRead read, TargetHook beforeChange, ReparsePointRead reparse);

}  // namespace quibel
