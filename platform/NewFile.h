#pragma once
// Files that a command creates as its output before it renames them into place: created exclusively, so that
// nothing planted at the name (a file, a link) is ever opened, and removed when the process is interrupted.

#include <cstdio>
#include <filesystem>
#include <string>

namespace quibel {

struct NewFile {
    std::FILE* file = nullptr;   // open for writing in binary mode; nullptr when not created
    bool alreadyExists = false;  // something (a file, a link, a dangling link) stands at the name
    std::string error;           // the system's text when it could not be created
};

// Creates the file only when nothing stands at its name, never following a link (O_CREAT | O_EXCL | O_NOFOLLOW;
// CREATE_NEW on Windows).
NewFile CreateNewFile(const std::filesystem::path& path);

// A file without a name in directory (O_TMPFILE), which vanishes with the process, whatever ends it, until
// NameAnonymousFile names it; file is nullptr when the file system (or Windows) has none, or /proc cannot name it.
NewFile CreateAnonymousFile(const std::filesystem::path& directory);

// Gives the anonymous file the name path where nothing stands (linkat through /proc/self/fd); "" or the system's
// text, alreadyExists when something stands there.
NewFile NameAnonymousFile(std::FILE* file, const std::filesystem::path& path);

// Holds a lock on the open file until it is closed, which RemoveUnlockedFile respects (flock; on Windows the open
// handle is the lock). False when the file system refuses.
bool LockFile(std::FILE* file);

// True when path still names the open file: a file created, then locked, may have been removed in between.
bool NamesFile(const std::filesystem::path& path, std::FILE* file);

// Removes the regular file at path unless a process holds it locked (or open, on Windows); never follows a link.
void RemoveUnlockedFile(const std::filesystem::path& path);

// Puts the file's bytes on the disk (fsync; FlushFileBuffers), after flushing the stream; "" or the system's text.
std::string SyncFile(std::FILE* file);

// Renames from over to, then puts the directory's new entry on the disk; "" or the system's text.
std::string ReplaceWithSync(const std::filesystem::path& from, const std::filesystem::path& to);

// While it lives, a signal that ends the process (SIGINT, SIGTERM, SIGHUP, SIGPIPE when a reader of stdout has
// gone, SIGXFSZ at a file size limit; Ctrl+C, Ctrl+Break or a closed console on Windows) removes the file before
// the process ends as the signal would end it. A signal the process ignores stays ignored. One at a time.
class RemovedOnInterrupt {
  public:
    explicit RemovedOnInterrupt(const std::filesystem::path& path);
    ~RemovedOnInterrupt();
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;
};

// While it lives, the interruptions above wait for the calling thread: a file created and handed to
// RemovedOnInterrupt under it is never left behind by a signal that came in between. Threads started meanwhile
// inherit the mask, so hold it only before workers start; one at a time. On Windows a console event that comes
// meanwhile waits on its own thread until the hold ends.
class InterruptsHeld {
  public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

}  // namespace quibel
