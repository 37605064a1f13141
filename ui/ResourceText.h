#pragma once
// The window's texts live in the program's string table (ui.rc); loaded, they are Windows-1252.

#include <windows.h>

#include <string>

namespace quibel {

inline std::string LoadText(HINSTANCE instance, UINT id) {
    char buffer[256] = {};
    const int length = LoadStringA(instance, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace quibel
