#pragma once
// What the package reader and its callers need of a file system. Paths are Windows-1252 text with "\" as the
// separator, as they stand in packages and in the installer's log; each implementation maps them to its system.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // True when the path exists and is a directory.
    virtual bool IsDirectory(const std::string& path) = 0;
    // True when the path exists and is a file (not a directory).
    virtual bool IsFile(const std::string& path) = 0;
    // Throws when the path is a link that the system would follow (a symbolic link; on Windows a junction or
    // other reparse point): EInOutError 3 on Windows, a failure naming the path elsewhere. Nothing is followed
    // through it; a path that does not exist passes.
    virtual void RefuseLink(const std::string& path) = 0;
    // Creates one directory level; its parent must exist. Throws EInOutError with the system's error code.
    virtual void CreateDirectoryLevel(const std::string& path) = 0;
    // Creates the file anew (replacing any file of that name, shared with nobody while open) and writes size bytes
    // in one write. Throws EFCreateError (full path, system text) or EWriteError (the file then stays, incomplete).
    virtual void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) = 0;
    // Reads a whole file, opened for reading with writing by others denied. Throws EFOpenError (full path, system
    // text) or EStreamError when there is no memory for it.
    virtual std::vector<std::uint8_t> LoadWholeFile(const std::string& path) = 0;
};

// Creates a directory with all its missing parents; returns whether it exists afterwards. Never throws for
// a directory that cannot be made.
bool ForceDirectories(FileSystem& fileSystem, const std::string& path);

}  // namespace quibel
