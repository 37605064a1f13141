#pragma once
// The path rules of the directory list: its entries (root, ancestors, current directory, subdirectories), the
// path each entry stands for, and the shortening of a path to a width for its label. Paths are 8-bit Windows
// paths: a drive root keeps its trailing "\" (C:\), any other directory has none (C:\Program Files).

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quibel {

enum class FolderIcon { Open, Current, Closed };

struct DirectoryEntry {
    std::string text;
    FolderIcon icon;
};

// "C:" for C:\Windows, "\\server\share" for \\server\share\dir; empty when the path has neither.
std::string DrivePart(const std::string& path);
// The drive part followed by "\".
std::string RootOf(const std::string& directory);
bool IsNetworkPath(const std::string& path);

// The root, ancestor and current entries of a directory; the last one is the current directory's.
std::vector<DirectoryEntry> PathEntries(const std::string& directory);
// The directory with one name added below it (no doubled "\" after a root).
std::string ChildPath(const std::string& directory, const std::string& name);
// What the directory search lists: the directory's "*.*".
std::string SubdirectoryPattern(const std::string& directory);

// The path that the entry at index stands for, in a list whose first currentIndex + 1 entries are the path
// entries of directory and whose later entries are its subdirectories.
std::string EntryPath(const std::string& directory,
                      const std::vector<DirectoryEntry>& entries,
                      std::size_t currentIndex,
                      std::size_t index);

// Left edge of an entry's icon: path entries step in by their index, subdirectories sit one step below the
// current directory's depth.
int EntryIndent(const std::string& directory, std::size_t currentIndex, std::size_t index);

// Subdirectory names in the order of compare (negative, zero, positive). Names with the same key (the file-name
// case rules: two spellings of one directory) appear once, the first one found is kept; names that only sort
// alike (a soft hyphen that the locale's collation ignores) are two directories and both stay.
using NameCompare = std::function<int(const std::string&, const std::string&)>;
using NameKey = std::function<std::string(const std::string&)>;
std::vector<std::string> SortedUniqueNames(std::vector<std::string> names,
                                           const NameCompare& compare,
                                           const NameKey& key);

// Shortens a path until textWidth says it fits into width: C:\A\B\C\name becomes C:\...\B\C\name,
// C:\...\C\name, C:\...\name, ...\name and at last name.
using TextWidth = std::function<int(const std::string&)>;
std::string ShortenPath(const std::string& path, int width, const TextWidth& textWidth);

}  // namespace quibel
