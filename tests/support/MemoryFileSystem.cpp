#include "tests/support/MemoryFileSystem.h"

#include <algorithm>

#include "payload/Errors.h"

namespace quibel::testing {

MemoryFileSystem::MemoryFileSystem(std::set<std::string> rootDirectories)
    : roots_(rootDirectories), directories_(std::move(rootDirectories)) {}

std::string MemoryFileSystem::ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
    return directories_.count(path) != 0;
}

bool MemoryFileSystem::IsFile(const std::string& path) {
    return files_.count(path) != 0;
}

void MemoryFileSystem::CreateDirectoryLevel(const std::string& path) {
    if (auto failure = directoryFailures_.find(path); failure != directoryFailures_.end()) {
        const auto code = failure->second;
        directoryFailures_.erase(failure);
        throw EInOutError(code);
    }
    if (directories_.count(path) != 0 || files_.count(path) != 0) {
        throw EInOutError(SystemError::AlreadyExists);
    }
    if (directories_.count(ParentOf(path)) == 0) {
        throw EInOutError(SystemError::PathNotFound);
    }
    directories_.insert(path);
    written_.push_back(path);
}

// Writes into the file system's map as the bytes come; a write failure planted for its path writes half the piece.
class MemoryFileSystem::MemoryFile final : public NewFile {
  public:
    MemoryFile(MemoryFileSystem& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        auto& content = owner_.files_[path_];
        if (owner_.writeFailures_.erase(path_) != 0) {
            content.insert(content.end(), bytes, bytes + count / 2);
            throw EWriteError();
        }
        content.insert(content.end(), bytes, bytes + count);
    }
    void Close() override {}
    void Remove() override { owner_.files_.erase(path_); }

  private:
    MemoryFileSystem& owner_;
    std::string path_;
};

class MemoryFileSystem::MemoryDirectory final : public Directory {
  public:
    explicit MemoryDirectory(MemoryFileSystem& owner) : owner_(owner) {
        owner_.mostHeld = std::max(owner_.mostHeld, ++owner_.held);
    }
    ~MemoryDirectory() override { --owner_.held; }

  private:
    MemoryFileSystem& owner_;
};

std::unique_ptr<FileSystem::Directory> MemoryFileSystem::OpenDirectory(const Directory*,
                                                                       const std::string& path,
                                                                       const std::string&,
                                                                       bool create) {
    if (links_.count(path) != 0) {
        throw EInOutError(SystemError::PathNotFound);
    }
    if (directories_.count(path) == 0) {
        if (!create || files_.count(path) != 0) {
            throw EInOutError(create ? SystemError::AlreadyExists : SystemError::PathNotFound);
        }
        CreateDirectoryLevel(path);
    }
    ++opened;
    return std::make_unique<MemoryDirectory>(*this);
}

// A failure asked for this path (once), or a directory standing there.
void MemoryFileSystem::RefuseCreation(const std::string& path) {
    if (auto failure = createFailures_.find(path); failure != createFailures_.end()) {
        const auto code = failure->second;
        createFailures_.erase(failure);
        throw EFCreateError(path, "error " + std::to_string(code));
    }
    if (directories_.count(path) != 0) {
        throw EFCreateError(path, "is a directory");
    }
}

std::unique_ptr<FileSystem::NewFile> MemoryFileSystem::CreateNewFile(const Directory&,
                                                                     const std::string& path,
                                                                     const std::string&) {
    RefuseCreation(path);
    written_.push_back(path);
    files_[path].clear();
    return std::make_unique<MemoryFile>(*this, path);
}

void MemoryFileSystem::WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    RefuseCreation(path);
    if (directories_.count(ParentOf(path)) == 0) {
        throw EFCreateError(path, "no parent");
    }
    written_.push_back(path);
    if (writeFailures_.erase(path) != 0) {
        files_[path] = std::vector<std::uint8_t>(data, data + size / 2);
        throw EWriteError();
    }
    files_[path] = std::vector<std::uint8_t>(data, data + size);
}

std::vector<std::uint8_t> MemoryFileSystem::LoadWholeFile(const std::string& path) {
    const auto file = files_.find(path);
    if (file == files_.end()) {
        throw EFOpenError(path, "not found");
    }
    return file->second;
}

void MemoryFileSystem::FailCreateDirectory(const std::string& path, std::uint32_t errorCode) {
    directoryFailures_[path] = errorCode;
}

void MemoryFileSystem::FailCreateFile(const std::string& path, std::uint32_t errorCode) {
    createFailures_[path] = errorCode;
}

void MemoryFileSystem::FailWriteFile(const std::string& path) {
    writeFailures_.insert(path);
}

void MemoryFileSystem::PlantLink(const std::string& path) {
    links_.insert(path);
    directories_.insert(path);
}

}  // namespace quibel::testing
