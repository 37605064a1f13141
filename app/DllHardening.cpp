#include "app/DllHardening.h"

#include <windows.h>

namespace quibel {

namespace {

// Not in every MinGW header set, and the function may be missing on an unpatched Windows 7.
constexpr DWORD LoadLibrarySearchSystem32 = 0x00000800;
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

void RestrictDllSearchToSystem() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel != nullptr) {
        const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
        if (setDefaultDllDirectories != nullptr) {
            setDefaultDllDirectories(LoadLibrarySearchSystem32);
        }
    }
    // Also where SetDefaultDllDirectories is missing: the current directory leaves the search path.
    SetDllDirectoryA("");
}

}  // namespace quibel
