#include "app/SystemEnvironment.h"

#include <windows.h>

#include <vector>

namespace quibel {

namespace {

constexpr UINT WindowsDirectoryBufferSize = 260;

std::string ExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string WindowsDirectory() {
    char buffer[WindowsDirectoryBufferSize] = {};
    const UINT length = GetWindowsDirectoryA(buffer, WindowsDirectoryBufferSize);
    // A length at or above the buffer size is the size the system would need: nothing was stored.
    return length < WindowsDirectoryBufferSize ? std::string(buffer, length) : std::string();
}

}  // namespace

InstallerEnvironment CurrentEnvironment() {
    return InstallerEnvironment{ExecutablePath(), WindowsDirectory()};
}

}  // namespace quibel
