#include "payload/FileSystem.h"

#include "payload/Errors.h"

namespace quibel {

namespace {

// The parent of a path, or "" when it has none ("C:\" and "C:" have none; "\\server\share" neither).
std::string ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('\\');
    if (slash == std::string::npos || slash == 0) {
        return {};
    }
    if (slash == 2 && path[1] == ':') {
        return path.substr(0, 3);
    }
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\' && path.find('\\', 2) >= slash) {
        return {};
    }
    return path.substr(0, slash);
}

}  // namespace

bool ForceDirectories(FileSystem& fileSystem, const std::string& path) {
    std::string target = path;
    while (target.size() > 3 && target.back() == '\\') {
        target.pop_back();
    }
    if (target.empty()) {
        return false;
    }
    if (fileSystem.IsDirectory(target)) {
        return true;
    }
    const std::string parent = ParentOf(target);
    if (!parent.empty() && parent != target && !ForceDirectories(fileSystem, parent)) {
        return false;
    }
    try {
        fileSystem.CreateDirectoryLevel(target);
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

}  // namespace quibel
