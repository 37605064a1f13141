#include "tools/qpack/tree/TreeScanner.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/TextEncoding.h"
#include "tools/qpack/common/ComposedText.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/ShortNames.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/common/WindowsNames.h"
#include "tools/qpack/tree/HostFile.h"
#include "tools/qpack/tree/HostLinks.h"

namespace quibel::qpack {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFF;  // the decoded size is a signed 32-bit count

struct Entry {
    std::string name;  // Windows-1252; the host's bytes when the name has no such form (only for sorting)
    fs::path hostPath;
    bool isDirectory = false;
    bool viaLink = false;
    std::optional<FileIdentity> identity;  // a directory's, once looked up; a file's, as opened
    std::uint64_t size = 0;
    std::vector<std::string> problems;  // what keeps it from being packed, without the path
};

struct Ancestor {
    FileIdentity identity;
    fs::path hostPath;
};

void NameEntry(Entry& entry) {
    const std::string text = HostBytes(entry.hostPath.filename());
    const std::optional<std::string> name = Utf8ToCp1252(ComposedUtf8(text));
    if (!name) {
        entry.name = text;
        entry.problems.push_back(IsWellFormedUtf8(text) ? "the name has no Windows-1252 form"
                                                        : "the name is not well-formed UTF-8 "
                                                          "(overlong form, surrogate or cut sequence)");
        return;
    }
    entry.name = *name;
    if (const auto problem = WindowsNameProblem(entry.name)) {
        entry.problems.push_back(*problem);
    }
}

// A link that goes nowhere, or around in circles among links.
std::string BrokenLinkProblem(const fs::path& link, const std::error_code& error) {
    std::error_code unreadable;
    const fs::path target = fs::read_symlink(link, unreadable);
    const std::string to = unreadable ? "" : " to " + DisplayPath(target);
    if (error == std::errc::no_such_file_or_directory) {
        return "symbolic link" + to + ", which does not exist";
    }
    return "symbolic link" + to + " that cannot be followed: " + error.message();
}

class Scanner {
  public:
    explicit Scanner(const ScanOptions& options) : options_(options), paths_(options.installBase) {}

    void ScanDirectory(const fs::path& hostPath, const std::string& name, const std::optional<FileIdentity>& identity) {
        const std::size_t depth = ancestors_.size();
        if (identity) {
            ancestors_.push_back({*identity, hostPath});
        }
        std::vector<Entry> entries = ReadDirectory(hostPath);
        tree_.directories.push_back({name, hostPath, {}});
        std::vector<const Entry*> subdirectories;
        for (const Entry& entry : entries) {
            if (entry.isDirectory) {
                paths_.Directory(name + "\\" + entry.name);
                subdirectories.push_back(&entry);
                continue;
            }
            if (entry.problems.empty()) {
                tree_.directories.back().files.push_back(
                    {entry.name, entry.hostPath.filename().native(), entry.size, *entry.identity, entry.viaLink});
                paths_.File(name, entry.name);
                ++tree_.fileCount;
                tree_.totalBytes += entry.size;
            }
        }
        for (const Entry* directory : subdirectories) {
            if (directory->viaLink) {
                tree_.linkedDirectories.push_back(directory->hostPath);
            }
            ScanDirectory(directory->hostPath, name + "\\" + directory->name, directory->identity);
        }
        ancestors_.resize(depth);
    }

    ScannedTree Result() {
        if (!problems_.empty()) {
            throw TreeProblems(std::move(problems_));
        }
        const std::vector<std::string> paths = paths_.Warnings();
        tree_.warnings.insert(tree_.warnings.end(), paths.begin(), paths.end());
        return std::move(tree_);
    }

  private:
    std::vector<Entry> ReadDirectory(const fs::path& directory) {
        std::vector<Entry> entries;
        std::error_code error;
        fs::directory_iterator it(directory, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            entries.push_back(Inspect(it->path()));
        }
        if (error) {
            problems_.push_back(DisplayPath(directory) + ": the directory cannot be read: " + error.message());
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return ComesBefore(a.name, b.name); });
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i > 0 && UpperCaseKey(entries[i - 1].name) == UpperCaseKey(entries[i].name)) {
                const bool composition = entries[i - 1].name == entries[i].name;  // one composed, one not
                problems_.push_back(DisplayPath(entries[i - 1].hostPath) + " and " + DisplayPath(entries[i].hostPath) +
                                    (composition ? ": names that differ only in how their letters are composed "
                                                   "(NFC); in Windows-1252 they are one name"
                                                 : ": names that differ only in letter case; Windows would take "
                                                   "them for one"));
            }
            for (const std::string& problem : entries[i].problems) {
                problems_.push_back(DisplayPath(entries[i].hostPath) + ": " + problem);
            }
        }
        FindShortNameClashes(entries);
        return entries;
    }

    // Few names have the form of a short name: only they are compared with every sibling.
    void FindShortNameClashes(const std::vector<Entry>& entries) {
        for (const Entry& shortName : entries) {
            if (shortName.name.find('~') == std::string::npos) {
                continue;
            }
            for (const Entry& other : entries) {
                if (IsShortNameOf(shortName.name, other.name)) {
                    problems_.push_back(DisplayPath(shortName.hostPath) + " and " + DisplayPath(other.hostPath) + ": " +
                                        ShortNameClash(shortName.name, other.name));
                }
            }
        }
    }

    Entry Inspect(const fs::path& path) {
        Entry entry{{}, path, false, false, std::nullopt, 0, {}};
        NameEntry(entry);
        std::error_code error;
        fs::file_status status = fs::symlink_status(path, error);
        if (!error && IsLink(path)) {
            if (!options_.followLinks) {
                entry.problems.push_back("symbolic link, not followed; copy what it points to or use --follow-links");
                return entry;
            }
            entry.viaLink = true;
            status = fs::status(path, error);
            if (error) {
                entry.problems.push_back(BrokenLinkProblem(path, error));
                return entry;
            }
        }
        if (error) {
            entry.problems.push_back(error.message());
        } else if (fs::is_directory(status)) {
            entry.isDirectory = true;
            RefuseLoop(entry);
        } else if (!fs::is_regular_file(status)) {
            entry.problems.push_back("not a regular file");
        } else {
            InspectFile(entry);
        }
        return entry;
    }

    // Opened as packing will open it, which also finds a file that cannot be read before anything is written.
    void InspectFile(Entry& entry) {
        std::string problem;
        const auto facts = ScanHostFile(entry.hostPath, entry.viaLink, problem);
        if (!facts) {
            entry.problems.push_back(problem);
        } else if (facts->size > kMaxFileSize) {
            entry.problems.push_back("files of 2 GiB or more cannot be packed");
        } else {
            entry.size = facts->size;
            entry.identity = facts->identity;
        }
    }

    // A link to a directory that holds it would be followed without end. The directories along the current path
    // are compared by identity, so that a loop through several links is found too. Every directory is compared,
    // not only those reached through a link qpack sees: a reparse point of a kind it does not know (Wine shows
    // Unix links so) must not walk in circles either. A file system that gives no identity (0) is taken at its
    // word that a directory is a directory.
    void RefuseLoop(Entry& entry) {
        entry.identity = IdentityOf(entry.hostPath);
        const auto& identity = entry.identity;
        if (!identity || identity->object == 0) {
            if (entry.viaLink) {
                entry.problems.push_back("symbolic link to a directory that cannot be identified");
            }
            return;
        }
        const auto loop = std::find_if(ancestors_.begin(), ancestors_.end(),
                                       [&](const Ancestor& ancestor) { return ancestor.identity == *identity; });
        if (loop == ancestors_.end()) {
            return;
        }
        entry.isDirectory = false;
        entry.problems.push_back(entry.viaLink ? "symbolic link that loops back to " + DisplayPath(loop->hostPath) +
                                                     ", a directory that holds it"
                                               : "the directory " + DisplayPath(loop->hostPath) +
                                                     " again, which holds it (through a link or mount that does not "
                                                     "show as one)");
    }

    const ScanOptions options_;
    InstallPaths paths_;
    ScannedTree tree_;
    std::vector<std::string> problems_;
    std::vector<Ancestor> ancestors_;  // the directories from the root to the one being read
};

}  // namespace

ScannedTree ScanTree(const std::filesystem::path& root, const ScanOptions& options) {
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        std::string why = "not a directory";
        if (error == std::errc::no_such_file_or_directory) {
            why = "no such directory";
        } else if (error) {
            why = error.message();  // cannot be looked at: a directory on the way that cannot be read, say
        }
        throw PackError(DisplayPath(root) + ": " + why);
    }
    Scanner scanner(options);
    scanner.ScanDirectory(root, "", IdentityOf(root));
    return scanner.Result();
}

bool RootHoldsProductProgram(const ScannedTree& tree) {
    if (tree.directories.empty()) {
        return false;
    }
    const std::string wanted = UpperCaseKey(ProductProgram);
    const auto& files = tree.directories.front().files;
    return std::any_of(files.begin(), files.end(),
                       [&](const ScannedFile& file) { return UpperCaseKey(file.name) == wanted; });
}

}  // namespace quibel::qpack
