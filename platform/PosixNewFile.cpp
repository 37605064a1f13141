#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/NewFile.h"

namespace quibel {

NewFile CreateNewFile(const std::filesystem::path& path) {
    NewFile created;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        created.alreadyExists = errno == EEXIST;
        created.error = std::strerror(errno);
        return created;
    }
    created.file = fdopen(fd, "wb");
    if (created.file == nullptr) {
        created.error = std::strerror(errno);
        close(fd);
        unlink(path.c_str());
    }
    return created;
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
