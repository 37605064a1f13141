#include "tools/qpack/TreeScanner.h"

#include <algorithm>
#include <system_error>

#include "platform/TextEncoding.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/WindowsNames.h"

namespace quibel::qpack {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFF;  // the decoded size is a signed 32-bit count

struct Entry {
    std::string name;
    fs::path hostPath;
    bool isDirectory = false;
    std::uint64_t size = 0;
};

std::string Cp1252Name(const fs::path& hostPath) {
    const std::u8string utf8 = hostPath.filename().u8string();
    const std::string text(utf8.begin(), utf8.end());
    const std::optional<std::string> name = Utf8ToCp1252(text);
    if (!name) {
        throw PackError(DisplayPath(hostPath) + (IsWellFormedUtf8(text)
                                                     ? ": the name has no Windows-1252 form"
                                                     : ": the name is not well-formed UTF-8 "
                                                       "(overlong form, surrogate or cut sequence)"));
    }
    return *name;
}

Entry Inspect(const fs::directory_entry& item) {
    std::error_code error;
    const fs::file_status status = item.symlink_status(error);
    if (error) {
        throw PackError(DisplayPath(item.path()) + ": " + error.message());
    }
    Entry entry{Cp1252Name(item.path()), item.path(), false, 0};
    if (const auto problem = WindowsNameProblem(entry.name)) {
        throw PackError(DisplayPath(item.path()) + ": " + *problem);
    }
    if (fs::is_symlink(status)) {
        throw PackError(DisplayPath(item.path()) + ": symbolic links are not followed; copy what it points to");
    }
    if (fs::is_directory(status)) {
        entry.isDirectory = true;
        return entry;
    }
    if (!fs::is_regular_file(status)) {
        throw PackError(DisplayPath(item.path()) + ": not a regular file");
    }
    entry.size = item.file_size(error);
    if (error) {
        throw PackError(DisplayPath(item.path()) + ": " + error.message());
    }
    if (entry.size > kMaxFileSize) {
        throw PackError(DisplayPath(item.path()) + ": files of 2 GiB or more cannot be packed");
    }
    return entry;
}

std::vector<Entry> ReadDirectory(const fs::path& directory) {
    std::vector<Entry> entries;
    std::error_code error;
    fs::directory_iterator it(directory, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        entries.push_back(Inspect(*it));
    }
    if (error) {
        throw PackError(DisplayPath(directory) + ": " + error.message());
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return ComesBefore(a.name, b.name); });
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (UpperCaseKey(entries[i - 1].name) == UpperCaseKey(entries[i].name)) {
            throw PackError(DisplayPath(entries[i - 1].hostPath) + " and " + DisplayPath(entries[i].hostPath) +
                            ": names that differ only in letter case; Windows would take them for one");
        }
    }
    return entries;
}

void ScanDirectory(const fs::path& hostPath, const std::string& name, ScannedTree& tree) {
    std::vector<Entry> entries = ReadDirectory(hostPath);
    tree.directories.push_back({name, {}});
    std::vector<const Entry*> subdirectories;
    for (const Entry& entry : entries) {
        const std::string path = name + "\\" + entry.name;
        if (path.size() > LongPathWarning) {
            tree.warnings.push_back(DisplayPath(entry.hostPath) + ": " + std::to_string(path.size()) +
                                    " characters below the package root; installed under a directory, it may pass "
                                    "Windows' 260-character limit");
        }
        if (entry.isDirectory) {
            subdirectories.push_back(&entry);
            continue;
        }
        tree.directories.back().files.push_back({entry.name, entry.hostPath, entry.size});
        ++tree.fileCount;
        tree.totalBytes += entry.size;
    }
    for (const Entry* directory : subdirectories) {
        ScanDirectory(directory->hostPath, name + "\\" + directory->name, tree);
    }
}

}  // namespace

std::string DisplayPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    std::string text(utf8.begin(), utf8.end());
#ifdef _WIN32
    // The console of a Windows build shows the ANSI code page.
    if (const auto ansi = Utf8ToCp1252(text)) {
        text = *ansi;
    }
#endif
    return text;
}

ScannedTree ScanTree(const std::filesystem::path& root) {
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        throw PackError(DisplayPath(root) + ": not a directory");
    }
    ScannedTree tree;
    ScanDirectory(root, "", tree);
    return tree;
}

}  // namespace quibel::qpack
