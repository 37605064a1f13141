#pragma once
// An in-memory file system for tests and fuzzing. Paths are compared as given (Windows-1252, "\" separators,
// case-sensitive); a directory's parent is the text before its last "\". Failures can be injected per path.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "payload/FileSystem.h"

namespace quibel::testing {

class MemoryFileSystem final : public FileSystem {
  public:
    // Directories that exist from the start, such as "C:" and "C:\Apps" (roots need no parent).
    explicit MemoryFileSystem(std::set<std::string> rootDirectories = {});

    bool IsDirectory(const std::string& path) override;
    bool IsFile(const std::string& path) override;
    void CreateDirectoryLevel(const std::string& path) override;
    void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) override;
    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override;
    std::unique_ptr<Directory> OpenDirectory(const Directory* parent,
                                             const std::string& path,
                                             const std::string& name,
                                             bool create) override;
    std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                           const std::string& path,
                                           const std::string& name) override;

    // The next operation on this exact path fails with the given Windows error code.
    void FailCreateDirectory(const std::string& path, std::uint32_t errorCode);
    void FailCreateFile(const std::string& path, std::uint32_t errorCode);
    void FailWriteFile(const std::string& path);
    // An existing directory that is a link (a junction): OpenDirectory refuses it with EInOutError 3, as on Windows.
    void PlantLink(const std::string& path);

    const std::set<std::string>& Directories() const { return directories_; }
    const std::map<std::string, std::vector<std::uint8_t>>& Files() const { return files_; }
    void PutFile(const std::string& path, std::vector<std::uint8_t> content) { files_[path] = std::move(content); }

    // Every path that an operation created or wrote, in order.
    const std::vector<std::string>& Written() const { return written_; }

    // Directories opened by OpenDirectory, those held now and the most held at once.
    std::size_t opened = 0;
    std::size_t held = 0;
    std::size_t mostHeld = 0;

  private:
    void RefuseCreation(const std::string& path);
    static std::string ParentOf(const std::string& path);
    class MemoryFile;
    class MemoryDirectory;

    std::set<std::string> roots_;
    std::set<std::string> directories_;
    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::map<std::string, std::uint32_t> directoryFailures_;
    std::map<std::string, std::uint32_t> createFailures_;
    std::set<std::string> writeFailures_;
    std::set<std::string> links_;
    std::vector<std::string> written_;
};

}  // namespace quibel::testing
