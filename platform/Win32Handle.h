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

}  // namespace quibel
