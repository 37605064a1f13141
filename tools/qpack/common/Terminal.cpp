#include "tools/qpack/common/Terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace quibel::qpack {

namespace {

constexpr std::size_t kDefaultColumns = 80;

}  // namespace

#ifdef _WIN32

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

std::size_t StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        return kDefaultColumns;
    }
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? static_cast<std::size_t>(columns) : kDefaultColumns;
}

#else

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::size_t StderrColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return kDefaultColumns;
    }
    return size.ws_col;
}

#endif

}  // namespace quibel::qpack
