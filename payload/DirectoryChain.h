#pragma once
// The directories of one walk, from its base down to the directory being written, each opened through the
// FileSystem without following a link and held open while the walk writes below it. A level is opened once, from
// the level above it: whatever is swapped for a link on the way after that no longer leads the walk anywhere, and
// every entry costs one opening whatever its depth. At most MaxHeld levels are held (the first and the deepest
// ones); a level let go is opened again, level by level, from its deepest held ancestor when it is needed.

#include <memory>
#include <string>
#include <vector>

#include "payload/FileSystem.h"

namespace quibel {

class DirectoryChain {
  public:
    static constexpr std::size_t MaxHeld = 64;

    DirectoryChain(FileSystem& fileSystem, std::string base);

    // The directory of a directory entry's name: base + name, "" for the base itself, "\data\sons" below it, or
    // glued to the base's last component when the name lacks its leading "\" (its first level then lies beside
    // the base and is opened as it stands). Every level is opened from the one above it; a missing level on the
    // way is EInOutError 3, the last one is created when create is set. The reference lasts until the next call.
    const FileSystem::Directory& Reach(const std::string& name, bool create);

  private:
    // Every level's path is a prefix of the deepest one's: it is kept once, each level by where its path ends.
    struct Level {
        std::size_t end;
        std::unique_ptr<FileSystem::Directory> directory;  // null when let go
    };

    const FileSystem::Directory& Held(std::size_t index);
    void Open(std::size_t index, bool create);
    void MakeRoom(std::size_t parent);

    FileSystem& fileSystem_;
    std::string base_;
    std::string path_;  // of the deepest level
    std::vector<Level> levels_;
    std::size_t held_ = 0;
    std::size_t letGoBelow_ = 1;  // every level from 1 to this one (excluded) is let go
};

}  // namespace quibel
