#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/NewFile.h"
#include "platform/PosixAnonymousFile.h"

namespace quibel {

namespace {

// An open descriptor as a stream; when it cannot be one it is closed and the file it made at path, if any, removed.
NewFile AsStream(int fd, const std::filesystem::path& path) {
    NewFile created;
    created.file = fdopen(fd, "wb");
    if (created.file == nullptr) {
        created.error = std::strerror(errno);
        close(fd);
        if (!path.empty()) {
            unlink(path.c_str());
        }
    }
    return created;
}

}  // namespace

NewFile CreateNewFile(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        NewFile created;
        created.alreadyExists = errno == EEXIST;
        created.error = std::strerror(errno);
        return created;
    }
    return AsStream(fd, path);
}

NewFile CreateAnonymousFile(const std::filesystem::path& directory) {
    NewFile created;
    if (access("/proc/self/fd", F_OK) != 0) {
        return created;  // nothing could give the file a name
    }
    const std::filesystem::path where = directory.empty() ? "." : directory;
    const int fd = open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        created.error = std::strerror(errno);
        return created;
    }
    return AsStream(fd, {});
}

NewFile NameAnonymousFile(std::FILE* file, const std::filesystem::path& path) {
    NewFile named;
    if (LinkAnonymousFile(fileno(file), AT_FDCWD, path.c_str()) != 0) {
        named.alreadyExists = errno == EEXIST;
        named.error = std::strerror(errno);
    }
    return named;
}

bool LockFile(std::FILE* file) {
    return flock(fileno(file), LOCK_EX | LOCK_NB) == 0;
}

bool NamesFile(const std::filesystem::path& path, std::FILE* file) {
    struct stat named {};
    struct stat open {};
    return lstat(path.c_str(), &named) == 0 && fstat(fileno(file), &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

void RemoveUnlockedFile(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat open {};
    struct stat named {};
    // Locked by us, and still at that name: its writer has gone, or never got the lock and will draw another.
    if (fstat(fd, &open) == 0 && S_ISREG(open.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        lstat(path.c_str(), &named) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino) {
        unlink(path.c_str());
    }
    close(fd);
}

std::string SyncFile(std::FILE* file) {
    if (std::fflush(file) != 0 || fsync(fileno(file)) != 0) {
        return std::strerror(errno);
    }
    return "";
}

std::string ReplaceWithSync(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str()) != 0) {
        return std::strerror(errno);
    }
    const std::filesystem::path parent = to.parent_path().empty() ? "." : to.parent_path();
    const int directory = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        return std::strerror(errno);
    }
    const bool synced = fsync(directory) == 0 || errno == EINVAL;  // EINVAL: a file system that syncs nothing
    const int error = errno;
    close(directory);
    return synced ? "" : std::strerror(error);
}

namespace {

// Interruptions, a reader of stdout gone (pack -v | head -1) and a file size limit reached: each would end the
// process with the temporary file left behind.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ};

// What the handler may touch: a fixed buffer and a flag (async-signal-safe).
char removedPath[4096];
volatile std::sig_atomic_t armed = 0;
struct sigaction previous[std::size(kSignals)];
sigset_t heldMask;

void RemoveAndEnd(int signal) {
    if (armed != 0) {
        unlink(removedPath);
    }
    std::signal(signal, SIG_DFL);
    raise(signal);
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.size() >= sizeof removedPath) {
        return;
    }
    std::memcpy(removedPath, text.c_str(), text.size() + 1);
    armed = 1;
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &previous[i]);
        if (previous[i].sa_handler == SIG_IGN) {
            sigaction(kSignals[i], &previous[i], nullptr);  // ignored (nohup): it ends nothing, the write fails
        }
    }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
    if (armed == 0) {
        return;
    }
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &previous[i], nullptr);
    }
    armed = 0;
}

InterruptsHeld::InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : kSignals) {
        sigaddset(&held, signal);
    }
    pthread_sigmask(SIG_BLOCK, &held, &heldMask);
}

InterruptsHeld::~InterruptsHeld() {
    pthread_sigmask(SIG_SETMASK, &heldMask, nullptr);
}

}  // namespace quibel
