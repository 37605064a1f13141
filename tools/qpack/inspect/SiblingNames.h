#pragma once
// Names that the installer cannot hold side by side in one directory. Windows compares names without regard to
// letter case: a file "Data" and a directory "\data", or two files or two directories whose names differ only in
// letter case, would land on one name, and the installer would stop halfway ("Erreur E/S 183") or overwrite. A
// name that is the short name Windows may give a sibling (common/ShortNames.h) lands on that sibling too.
//
// Entries come in pre-order, each directory followed by its files: only the directories from the root to the
// last one can still receive entries, so only their names are kept, and memory follows the tree's depth and
// widest directory, not its size.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quibel::qpack {

// An entry that meets one added before it.
struct SiblingClash {
    std::string other;  // how that one is shown: `directory "\data"`, `file "\Data"`
    std::string why;    // what would happen: "differ only in letter case: ..."
};

class SiblingNames {
  public:
    // A directory entry, by its path from the root ("" for the root, "\data\sons"); it is then the directory that
    // files are added to.
    std::optional<SiblingClash> AddDirectory(const std::string& path);
    // A file entry of the directory added last.
    std::optional<SiblingClash> AddFile(const std::string& name);

  private:
    // Every open directory's path is a prefix of the last one's: it is kept once, each level by its length.
    struct OpenDirectory {
        std::size_t pathSize = 0;
        std::unordered_map<std::string, std::string> entries;  // by the upper-case name: kind and name
        std::vector<std::string> shortForms;                   // kind and name of the names holding a "~"
    };
    std::optional<SiblingClash> Add(OpenDirectory& directory, const std::string& name, bool isDirectory);
    // `directory "\data"` for a kept "ddata" of the directory.
    std::string Shown(const OpenDirectory& directory, const std::string& kindAndName) const;

    std::string last_;                 // the path of the directory added last
    std::vector<OpenDirectory> open_;  // from the root to the directory added last
};

}  // namespace quibel::qpack
