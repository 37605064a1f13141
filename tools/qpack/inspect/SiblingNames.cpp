#include "tools/qpack/inspect/SiblingNames.h"

#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/common/WindowsNames.h"

namespace quibel::qpack {

namespace {

bool IsAncestorOrSelf(const std::string& ancestor, const std::string& path) {
    return path.compare(0, ancestor.size(), ancestor) == 0 &&
           (path.size() == ancestor.size() || path[ancestor.size()] == '\\');
}

}  // namespace

std::optional<std::string> SiblingNames::AddDirectory(const std::string& path) {
    const std::size_t separator = path.rfind('\\');
    const std::string parent = separator == std::string::npos ? std::string() : path.substr(0, separator);
    while (!open_.empty() && !IsAncestorOrSelf(open_.back().path, parent)) {
        open_.pop_back();  // a finished branch: nothing more can land in it
    }
    std::optional<std::string> other;
    if (!path.empty() && !open_.empty() && open_.back().path == parent) {
        other = Add(open_.back(), path.substr(separator + 1), true);
    }
    open_.push_back({path, {}});
    return other;
}

std::optional<std::string> SiblingNames::AddFile(const std::string& name) {
    if (open_.empty()) {
        return std::nullopt;
    }
    return Add(open_.back(), name, false);
}

std::optional<std::string> SiblingNames::Add(OpenDirectory& directory, const std::string& name, bool isDirectory) {
    // The entry is kept as its kind and path, shown only when another one meets it.
    const auto [at, added] =
        directory.entries.emplace(UpperCaseKey(name), (isDirectory ? "d" : "f") + directory.path + '\\' + name);
    if (added) {
        return std::nullopt;
    }
    const std::string& other = at->second;
    return (other[0] == 'd' ? "directory \"" : "file \"") + TerminalText(other.substr(1)) + "\"";
}

}  // namespace quibel::qpack
