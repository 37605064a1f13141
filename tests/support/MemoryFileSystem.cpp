#include "tests/support/MemoryFileSystem.h"

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

void MemoryFileSystem::RefuseLink(const std::string& path) {
    if (links_.count(path) != 0) {
        throw EInOutError(SystemError::PathNotFound);
    }
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

void MemoryFileSystem::WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    if (auto failure = createFailures_.find(path); failure != createFailures_.end()) {
        const auto code = failure->second;
        createFailures_.erase(failure);
        throw EFCreateError(path, "error " + std::to_string(code));
    }
    if (directories_.count(path) != 0) {
        throw EFCreateError(path, "is a directory");
    }
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
