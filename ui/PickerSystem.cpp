#include "ui/PickerSystem.h"

#include <windows.h>
#include <winnetwk.h>

#include <cctype>
#include <optional>

#include "app/SystemLibrary.h"
#include "payload/Errors.h"
#include "ui/PickerPaths.h"

namespace quibel {

namespace {

// Switches the system's critical-error prompts off ("insert a disk in drive...") for its lifetime.
class NoCriticalErrorPrompts {
  public:
    NoCriticalErrorPrompts() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~NoCriticalErrorPrompts() { SetErrorMode(previous_); }
    NoCriticalErrorPrompts(const NoCriticalErrorPrompts&) = delete;
    NoCriticalErrorPrompts& operator=(const NoCriticalErrorPrompts&) = delete;

  private:
    UINT previous_;
};

class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

std::string ReadVolumeLabel(const std::string& root) {
    NoCriticalErrorPrompts quiet;
    char label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) {
        return "";
    }
    return label;
}

// The connection's name asks for the device in upper case: "X:". mpr is no KnownDLL: it is loaded from the
// system directory when the first network drive is met, not imported.
std::optional<std::string> ConnectionName(int driveIndex) {
    using GetConnection = DWORD(WINAPI*)(LPCSTR, LPSTR, LPDWORD);
    static const SystemLibrary mpr("mpr.dll");
    static const auto getConnection = mpr.Find<GetConnection>("WNetGetConnectionA");
    if (getConnection == nullptr) {
        return std::nullopt;
    }
    const char device[] = {static_cast<char>('A' + driveIndex), ':', '\0'};
    char name[MAX_PATH + 1] = {};
    DWORD length = sizeof name;
    if (getConnection(device, name, &length) != NO_ERROR) {
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<DriveKind> KindOf(UINT driveType) {
    switch (driveType) {
        case DRIVE_REMOVABLE:
            return DriveKind::Removable;
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        case DRIVE_REMOTE:
            return DriveKind::Network;
        case DRIVE_CDROM:
            return DriveKind::CdRom;
        case DRIVE_RAMDISK:
            return DriveKind::Ram;
        default:
            return std::nullopt;
    }
}

}  // namespace

void PickerSystem::ChangeDirectory(const std::string& path) {
    if (!SetCurrentDirectoryA(path.c_str())) {
        throw EInOutError(GetLastError());
    }
}

std::string PickerSystem::CurrentDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) {
        throw EInOutError(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    }
    return std::string(buffer, length);
}

std::vector<std::string> PickerSystem::Subdirectories(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(SubdirectoryPattern(directory).c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        return names;
    }
    constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (found.dwFileAttributes & kLeftOut) == 0 &&
            name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search.get(), &found));
    return names;
}

CaseRules PickerSystem::VolumeCaseRules(const std::string& root) {
    DWORD flags = 0;
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
        return CaseRules{};
    }
    return CaseRules{(flags & FS_CASE_IS_PRESERVED) != 0, (flags & FS_CASE_SENSITIVE) != 0};
}

std::vector<DriveEntry> PickerSystem::Drives() {
    std::vector<DriveEntry> entries;
    const std::uint32_t mask = LogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0) {
            continue;
        }
        const char letter = static_cast<char>('a' + i);
        const std::string root = std::string(1, letter) + ":\\";
        const std::optional<DriveKind> kind = KindOfDrive(root);
        if (!kind) {
            continue;
        }
        std::string label;
        std::optional<std::string> networkName;
        if (*kind == DriveKind::Network) {
            networkName = NetworkName(letter);
        }
        // A removable drive's label is never read: that would spin a floppy up, or ask for a disk.
        if (*kind != DriveKind::Removable && !networkName) {
            label = LowerCase(VolumeLabel(root));
        }
        if (networkName) {
            networkName = LowerCase(*networkName);
        }
        entries.push_back({DriveEntryText(letter, *kind, label, networkName), *kind});
    }
    return entries;
}

std::uint32_t PickerSystem::LogicalDrives() {
    return GetLogicalDrives();
}

std::optional<DriveKind> PickerSystem::KindOfDrive(const std::string& root) {
    return KindOf(GetDriveTypeA(root.c_str()));
}

std::string PickerSystem::VolumeLabel(const std::string& root) {
    return ReadVolumeLabel(root);
}

std::optional<std::string> PickerSystem::NetworkName(char letter) {
    return ConnectionName(std::tolower(static_cast<unsigned char>(letter)) - 'a');
}

int PickerSystem::CompareNames(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

bool PickerSystem::SamePath(const std::string& a, const std::string& b, bool caseSensitive) {
    if (caseSensitive) {
        return a == b;
    }
    return LowerCase(a) == LowerCase(b);
}

std::string PickerSystem::LowerCase(std::string text) {
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string PickerSystem::FileNameKey(const std::string& name) {
    std::string key = name;
    if (!key.empty()) {
        CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    }
    return key;
}

PickerSystem& PickerSystem::Default() {
    static PickerSystem system;
    return system;
}

}  // namespace quibel
