#include "app/SystemLibrary.h"

#include <string>

namespace quibel {

SystemLibrary::SystemLibrary(const char* fileName) {
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    // A full path: the loader looks nowhere else. The DLL's own imports are resolved as usual, from the system
    // directory once RestrictDllSearchToSystem has run.
    const std::string path = std::string(directory, length) + "\\" + fileName;
    module_ = LoadLibraryA(path.c_str());
}

SystemLibrary::~SystemLibrary() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

}  // namespace quibel
