// The product's shortcut on the user's desktop.
#include "app/DesktopShortcut.h"

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "app/ComErrors.h"
#include "app/ComPtr.h"
#include "app/InstallerController.h"

namespace quibel {

namespace {

constexpr int kDesktopDirectoryFolder = CSIDL_DESKTOPDIRECTORY;  // 16
constexpr DWORD kLinkObjectContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
constexpr DWORD kPathBufferLength = MAX_PATH + 1;
constexpr int kShowCommand = SW_SHOW;
const std::string kDescriptionPrefix = "Raccourci vers ";
const std::string kShortcutExtension = ".LNK";

// An item identifier list handed out by the shell; freed with the shell's allocator (the COM task allocator).
class ItemIdList {
  public:
    ItemIdList() = default;
    ~ItemIdList() { CoTaskMemFree(list_); }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    LPITEMIDLIST* Receive() { return &list_; }
    LPCITEMIDLIST Get() const { return list_; }

  private:
    LPITEMIDLIST list_ = nullptr;
};

// The user's desktop directory, or "" when the shell has none for the user or gives no file-system path for it.
std::string DesktopDirectory() {
    ItemIdList desktop;
    if (SHGetSpecialFolderLocation(nullptr, kDesktopDirectoryFolder, desktop.Receive()) != S_OK) {
        return {};
    }
    char buffer[kPathBufferLength] = {};
    SHGetPathFromIDListA(desktop.Get(), buffer);
    return buffer;
}

// The 8-bit (ANSI code page) path as UTF-16, for IPersistFile.
std::wstring WidePath(const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    return wide;
}

}  // namespace

void MakeDesktopShortcut(const std::function<std::string()>& installDirectory) {
    const std::string desktop = DesktopDirectory();
    // Without a desktop path the file name would be relative to whatever the current directory is: no shortcut.
    if (desktop.empty()) {
        return;
    }

    // Declared in this order so that they are released as IPersistFile, IShellLinkA, IUnknown.
    ComPtr<IUnknown> object;
    const HRESULT created =
        CoCreateInstance(CLSID_ShellLink, nullptr, kLinkObjectContext, IID_IUnknown, object.Receive());
    if (FAILED(created)) {
        throw EOleSysError(created);
    }
    const auto link = QueryInterfaceOrThrow<IShellLinkA>(object.Get(), IID_IShellLinkA);
    link->SetDescription((kDescriptionPrefix + InstallerController::ProductTitle).c_str());
    link->SetPath((installDirectory() + "\\quibel.exe").c_str());
    link->SetWorkingDirectory(installDirectory().c_str());
    link->SetShowCmd(kShowCommand);
    // Replaces the previous call: the shortcut keeps the working directory with its trailing separator.
    link->SetWorkingDirectory((installDirectory() + "\\").c_str());

    const std::wstring fileName = WidePath(desktop + "\\" + InstallerController::ProductTitle + kShortcutExtension);
    const auto file = QueryInterfaceOrThrow<IPersistFile>(object.Get(), IID_IPersistFile);
    file->Save(fileName.c_str(), TRUE);
}

void InstallerController::CreateDesktopShortcut() {
    MakeDesktopShortcut([this] { return view_.InstallDirectory(); });
}

}  // namespace quibel
