#pragma once
// A kernel object handle owned by one scope: closed when the owner goes, unless released to another owner.

#include <windows.h>

namespace quibel {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Close() {
        if (IsValid()) {
            CloseHandle(Release());
        }
    }

  private:
    HANDLE handle_;
};

// Deletes the file when its last handle closes, through this handle, never by name: whatever was put at the name
// meanwhile stays (Wine's DeleteFileA would delete what a Unix link there names). Needs DELETE access.
inline void DeleteWhenClosed(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace quibel
