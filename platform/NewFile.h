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
