#include "tools/qpack/common/InstallPaths.h"

#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

void InstallPaths::Directory(const std::string& path) {
    if (base_.size() + path.size() > kLongestDirectoryPath) {
        Add(directories_, base_ + path);
    }
}

void InstallPaths::File(const std::string& directory, const std::string& name) {
    if (base_.size() + directory.size() + 1 + name.size() > kLongestFilePath) {
        Add(files_, base_ + directory + "\\" + name);
    }
}

void InstallPaths::Add(TooLong& kind, std::string path) {
    ++kind.count;
    if (path.size() > kind.longest.size()) {
        kind.longest = std::move(path);
    }
}

std::vector<std::string> InstallPaths::Warnings() const {
    std::vector<std::string> warnings;
    const auto warn = [&](const TooLong& kind, const char* what, const char* whats, std::size_t limit) {
        if (kind.count == 0) {
            return;
        }
        const std::string count = kind.count == 1 ? std::string("1 ") + what : std::to_string(kind.count) + " " + whats;
        warnings.push_back(count + " past " + std::to_string(limit) + " characters under " + base_ +
                           ", the shortest base it is installed under (Windows' limit for a " + what +
                           "'s path in the installer's calls): no install can create " +
                           (kind.count == 1 ? "it" : "them") +
                           ", and the installer would stop part-way; the longest: " + TerminalText(kind.longest) +
                           " (" + std::to_string(kind.longest.size()) + " characters)");
    };
    warn(directories_, "directory", "directories", kLongestDirectoryPath);
    warn(files_, "file", "files", kLongestFilePath);
    return warnings;
}

}  // namespace quibel::qpack
