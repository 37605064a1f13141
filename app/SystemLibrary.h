#pragma once
// A DLL that is not on the system's KnownDLLs list (mpr, comctl32, ...), loaded by its full path in the system
// directory, never by a search that could find a copy planted beside the installer. The executable must not import
// such a DLL: imports are resolved before the program can restrict the search.

#include <windows.h>

namespace quibel {

class SystemLibrary {
  public:
    // fileName: "mpr.dll". Not loaded (IsLoaded false) when the system directory holds no such DLL.
    explicit SystemLibrary(const char* fileName);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool IsLoaded() const { return module_ != nullptr; }

    // The exported function of that name as the given function pointer type, or nullptr.
    template <typename Function>
    Function Find(const char* name) const {
        if (module_ == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

  private:
    HMODULE module_ = nullptr;
};

}  // namespace quibel
