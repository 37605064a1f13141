#include "tools/qpack/tree/HostLinks.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quibel::qpack {

#ifdef _WIN32

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& directory) {
    // Backup semantics: the only way to open a directory; the reparse points on the way are followed.
    const HANDLE handle = CreateFileW(directory.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

bool IsLink(const std::filesystem::path& path) {
    // The C library's stat follows links on Windows, so the standard library cannot tell a link from its target.
    // Only the reparse points that name another place are links; the others (cloud placeholders, deduplicated
    // files) are the files themselves, stored another way.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    constexpr DWORD kWslLinkTag = 0xA000001D;  // IO_REPARSE_TAG_LX_SYMLINK, absent from older headers
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT ||
            found.dwReserved0 == kWslLinkTag);
}

#else

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& directory) {
    struct stat info {};
    if (stat(directory.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool IsLink(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

#endif

}  // namespace quibel::qpack
