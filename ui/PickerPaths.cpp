#include "ui/PickerPaths.h"

#include <algorithm>
#include <unordered_set>

namespace quibel {

namespace {

constexpr char kSeparator = '\\';
const std::string kEllipsisDirectory = "...\\";

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path.back() == kSeparator;
}

// Drops the first directory of a directory part such as "\A\B\" and marks the cut with "...\".
std::string CutFirstDirectory(std::string part) {
    if (part == "\\") {
        return "";
    }
    const bool rooted = !part.empty() && part.front() == kSeparator;
    if (rooted) {
        part.erase(0, 1);
    }
    if (part.starts_with(kEllipsisDirectory)) {
        part.erase(0, kEllipsisDirectory.size());
    }
    const std::size_t separator = part.find(kSeparator);
    part = separator == std::string::npos ? "" : kEllipsisDirectory + part.substr(separator + 1);
    return rooted ? "\\" + part : part;
}

}  // namespace

bool IsNetworkPath(const std::string& path) {
    return path.size() >= 2 && path[0] == kSeparator && path[1] == kSeparator;
}

std::string DrivePart(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') {
        return path.substr(0, 2);
    }
    if (IsNetworkPath(path)) {
        // \\server\share: up to the separator after the share name.
        const std::size_t afterServer = path.find(kSeparator, 2);
        if (afterServer == std::string::npos) {
            return path;
        }
        const std::size_t afterShare = path.find(kSeparator, afterServer + 1);
        return path.substr(0, afterShare);
    }
    return "";
}

std::string RootOf(const std::string& directory) {
    return DrivePart(directory) + "\\";
}

std::vector<DirectoryEntry> PathEntries(const std::string& directory) {
    std::vector<DirectoryEntry> entries;
    const std::string root = RootOf(directory);
    std::string rest = directory;
    const bool network = root.size() >= 2 && root[1] == kSeparator;
    if (network) {
        entries.push_back({root, FolderIcon::Open});
        rest = directory.size() > root.size() ? directory.substr(root.size()) : "";
        if (rest.empty() || rest == "\\") {
            // The share's root is itself the current directory.
            entries.back().icon = FolderIcon::Current;
            return entries;
        }
    }
    if (EndsWithSeparator(rest)) {
        entries.push_back({rest, FolderIcon::Current});
        return entries;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = rest.find(kSeparator, start);
        if (separator == std::string::npos) {
            break;
        }
        std::string part = rest.substr(start, separator - start);
        if (entries.empty()) {
            part += kSeparator;
        }
        entries.push_back({part, FolderIcon::Open});
        start = separator + 1;
    }
    entries.push_back({rest.substr(start), FolderIcon::Current});
    return entries;
}

std::string ChildPath(const std::string& directory, const std::string& name) {
    return EndsWithSeparator(directory) ? directory + name : directory + kSeparator + name;
}

std::string SubdirectoryPattern(const std::string& directory) {
    return ChildPath(directory, "*.*");
}

std::string EntryPath(const std::string& directory,
                      const std::vector<DirectoryEntry>& entries,
                      std::size_t currentIndex,
                      std::size_t index) {
    if (index == 0) {
        return RootOf(directory);
    }
    if (index > currentIndex) {
        return ChildPath(directory, entries.at(index).text);
    }
    if (index == currentIndex) {
        return directory;
    }
    // An ancestor: the drive part, then the directory up to its (index + 1)-th separator after the drive part.
    const std::string drive = DrivePart(directory);
    std::size_t position = drive.size();
    for (std::size_t found = 0; found <= index; ++found) {
        position = directory.find(kSeparator, found == 0 ? position : position + 1);
        if (position == std::string::npos) {
            return directory;
        }
    }
    return directory.substr(0, position);
}

int EntryIndent(const std::string& directory, std::size_t currentIndex, std::size_t index) {
    if (index <= currentIndex) {
        return 4 * static_cast<int>(index) + 2;
    }
    return 4 * static_cast<int>(std::count(directory.begin(), directory.end(), kSeparator)) + 6;
}

std::vector<std::string> SortedUniqueNames(std::vector<std::string> names,
                                           const NameCompare& compare,
                                           const NameKey& key) {
    std::unordered_set<std::string> seen;
    const auto repeated = std::remove_if(names.begin(), names.end(),
                                         [&](const std::string& name) { return !seen.insert(key(name)).second; });
    names.erase(repeated, names.end());
    std::stable_sort(names.begin(), names.end(),
                     [&](const std::string& a, const std::string& b) { return compare(a, b) < 0; });
    return names;
}

std::string ShortenPath(const std::string& path, int width, const TextWidth& textWidth) {
    std::string drive = path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : "";
    const std::size_t lastSeparator = path.rfind(kSeparator);
    std::string directoryPart;
    std::string name = path.substr(drive.size());
    if (lastSeparator != std::string::npos && lastSeparator >= drive.size()) {
        directoryPart = path.substr(drive.size(), lastSeparator + 1 - drive.size());
        name = path.substr(lastSeparator + 1);
    }
    while ((!drive.empty() || !directoryPart.empty()) && textWidth(drive + directoryPart + name) > width) {
        if (directoryPart == "\\...\\") {
            drive.clear();
            directoryPart = kEllipsisDirectory;
        } else if (directoryPart.empty()) {
            drive.clear();
        } else {
            directoryPart = CutFirstDirectory(directoryPart);
        }
    }
    return drive + directoryPart + name;
}

}  // namespace quibel
