#pragma once
// What the package reader and its callers need of a file system. Paths are Windows-1252 text with "\" as the
// separator, as they stand in packages and in the installer's log; each implementation maps them to its system.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payload/ByteSink.h"

namespace quibel {

class FileSystem {
  public:
    // A directory of an extraction's target, open while the walk writes below it (see DirectoryChain).
    class Directory {
      public:
        virtual ~Directory() = default;
    };

    // A file made by CreateNewFile, open for writing; closed when destroyed. Write (a ByteSink, so that the
    // decoder may write into it piece by piece) throws EWriteError when the system takes fewer bytes; the file
    // then stays as far as it was written.
    class NewFile : public ByteSink {
      public:
        // EWriteError when the last bytes cannot be written; EFCreateError when the file cannot take its name.
        virtual void Close() = 0;
        // Closes and removes it: a block that does not decode leaves no new file behind. Never throws.
        virtual void Remove() = 0;
    };

    virtual ~FileSystem() = default;

    // True when the path exists and is a directory.
    virtual bool IsDirectory(const std::string& path) = 0;
    // True when the path exists and is a file (not a directory).
    virtual bool IsFile(const std::string& path) = 0;
    // Creates one directory level; its parent must exist. Throws EInOutError with the system's error code.
    virtual void CreateDirectoryLevel(const std::string& path) = 0;
    // Creates the file anew (replacing any file of that name, shared with nobody while open) and writes size bytes
    // in one write. Throws EFCreateError (full path, system text) or EWriteError (the file then stays, incomplete).
    virtual void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) = 0;
    // Reads a whole file, opened for reading with writing by others denied. Throws EFOpenError (full path, system
    // text) or EStreamError when there is no memory for it.
    virtual std::vector<std::uint8_t> LoadWholeFile(const std::string& path) = 0;

    // Opens the directory at path for a walk, never through a link standing at it: a symbolic link, a junction or
    // mount point, a reparse point without a tag (as Wine shows a Unix link) throws EInOutError 3 on Windows, a
    // failure naming the path elsewhere; the other reparse points (cloud files, deduplicated or projected
    // directories) are the directory itself, stored another way. name is its last level, below parent (opened so
    // before); with no parent the path is opened as it stands, what lies above it being the caller's choice. A
    // missing directory is created, one level, when create is set (EInOutError with the system's code when that
    // fails); otherwise it, or a file standing there, is EInOutError 3. A file standing there when create is set
    // is EInOutError 183, as creating the directory would say.
    virtual std::unique_ptr<Directory> OpenDirectory(const Directory* parent,
                                                     const std::string& path,
                                                     const std::string& name,
                                                     bool create) = 0;

    // The file `name` of directory, at path. A free name gets a new file. A taken one is emptied in place, as the
    // system's "create always" empties a file (the same file, and its failures for a file in use, read-only, hidden
    // or system), except that a link or one name of a hard-linked file is replaced by the name alone: what the
    // link names, or the other name, keeps its content. Where the system can write a file unseen (POSIX), the
    // content takes the name only at Close, and Remove leaves what stood there. EFCreateError (full path, system
    // text) when it cannot be made or named.
    virtual std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                                   const std::string& path,
                                                   const std::string& name) = 0;
};

// Creates a directory with all its missing parents; returns whether it exists afterwards. Never throws for
// a directory that cannot be made.
bool ForceDirectories(FileSystem& fileSystem, const std::string& path);

}  // namespace quibel
