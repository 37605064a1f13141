#include "tools/qpack/inspect/SiblingNames.h"

#include "tools/qpack/common/ShortNames.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/common/WindowsNames.h"

namespace quibel::qpack {

namespace {

bool IsAncestorOrSelf(const std::string& ancestor, const std::string& path) {
    return path.compare(0, ancestor.size(), ancestor) == 0 &&
           (path.size() == ancestor.size() || path[ancestor.size()] == '\\');
}

}  // namespace

std::optional<SiblingClash> SiblingNames::AddDirectory(const std::string& path) {
    const std::size_t separator = path.rfind('\\');
    const std::string parent = separator == std::string::npos ? std::string() : path.substr(0, separator);
    while (!open_.empty() && !IsAncestorOrSelf(last_.substr(0, open_.back().pathSize), parent)) {
        open_.pop_back();  // a finished branch: nothing more can land in it
    }
    std::optional<SiblingClash> other;
    if (!path.empty() && !open_.empty() && open_.back().pathSize == parent.size()) {
        other = Add(open_.back(), path.substr(separator + 1), true);
    }
    last_ = path;
    open_.push_back({path.size(), {}, {}});
    return other;
}

std::optional<SiblingClash> SiblingNames::AddFile(const std::string& name) {
    if (open_.empty()) {
        return std::nullopt;
    }
    return Add(open_.back(), name, false);
}

std::string SiblingNames::Shown(const OpenDirectory& directory, const std::string& kindAndName) const {
    return (kindAndName[0] == 'd' ? "directory \"" : "file \"") +
           TerminalText(last_.substr(0, directory.pathSize) + '\\' + kindAndName.substr(1)) + "\"";
}

std::optional<SiblingClash> SiblingNames::Add(OpenDirectory& directory, const std::string& name, bool isDirectory) {
    // The entry is kept as its kind and name, shown only when another one meets it.
    std::string kept = (isDirectory ? "d" : "f") + name;
    const auto [at, added] = directory.entries.emplace(UpperCaseKey(name), kept);
    if (!added) {
        return SiblingClash{Shown(directory, at->second),
                            "differ only in letter case: Windows takes them for one name, and the installer cannot "
                            "hold both"};
    }
    // Few names hold a "~": those are compared with every sibling, the others with those few.
    for (const std::string& shortForm : directory.shortForms) {
        if (IsShortNameOf(shortForm.substr(1), name)) {
            return SiblingClash{Shown(directory, shortForm),
                                "cannot stand side by side: " + ShortNameClash(shortForm.substr(1), name)};
        }
    }
    if (name.find('~') == std::string::npos) {
        return std::nullopt;
    }
    directory.shortForms.push_back(kept);
    for (const auto& [key, other] : directory.entries) {
        if (IsShortNameOf(name, other.substr(1))) {
            return SiblingClash{Shown(directory, other),
                                "cannot stand side by side: " + ShortNameClash(name, other.substr(1))};
        }
    }
    return std::nullopt;
}

}  // namespace quibel::qpack
