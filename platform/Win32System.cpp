#include "platform/Win32System.h"

#include <windows.h>

#include <vector>

namespace quibel {

std::string SystemErrorText(std::uint32_t errorCode) {
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer != nullptr ? buffer : "", length);
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::string FullPathName(const std::string& path) {
    std::vector<char> buffer(MAX_PATH + 1);
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    }
    if (length == 0 || length >= buffer.size()) {
        return path;
    }
    return std::string(buffer.data(), length);
}

}  // namespace quibel
