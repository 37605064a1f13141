#include "platform/Win32FileReplacement.h"

#include <cstring>
#include <vector>

#include "payload/Errors.h"
#include "platform/Win32Handle.h"
#include "platform/Win32System.h"

namespace quibel {

namespace {

constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
// CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL refuses a file that carries one of these.
constexpr DWORD kRefusedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

[[noreturn]] void ThrowCreateError(const std::string& path, DWORD error) {
    throw EFCreateError(FullPathName(path), SystemErrorText(error));
}

// The text as the ANSI calls convert it.
std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

// The name the system gives an open handle, below its volume; empty when it cannot say.
std::wstring HandleName(HANDLE handle) {
    std::vector<std::uint8_t> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, info, static_cast<DWORD>(buffer.size()))) {
        return {};
    }
    return std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR));
}

// Whether an open of the name in directory reached another file: Wine opens what a Unix link names, whatever
// FILE_FLAG_OPEN_REPARSE_POINT asks, and shows no reparse point on that handle, only the name of the file it
// reached. Case aside, as the system compares names.
bool LedElsewhere(HANDLE file, HANDLE directory, const std::string& name) {
    std::wstring expected = HandleName(directory);
    if (expected.empty() || expected.back() != L'\\') {
        expected += L'\\';
    }
    expected += Wide(name);
    const std::wstring found = HandleName(file);
    return CompareStringOrdinal(found.data(), static_cast<int>(found.size()), expected.data(),
                                static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
}

struct Existing {
    DWORD attributes = 0;
    DWORD names = 1;
};

Existing Inspect(HANDLE file, const std::string& path) {
    FILE_ATTRIBUTE_TAG_INFO tagged{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tagged, sizeof tagged) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
        ThrowCreateError(path, GetLastError());
    }
    return {tagged.FileAttributes, standard.NumberOfLinks};
}

// A name beside the target's, of the same length, so that it fits wherever the target's path fits.
std::string TemporaryName(const std::string& name, int attempt) {
    static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string temporary = name;
    if (temporary.size() == 1) {
        temporary[0] = attempt == 0 ? '~' : kDigits[attempt - 1];
    } else {
        temporary[0] = '~';
        temporary[1] = kDigits[attempt];
    }
    return temporary;
}

// A new empty file made beside the name and renamed over it: the rename replaces what stands at the name, the
// name alone, and never follows a link. The file keeps its handle through the rename, so nothing can come between.
HANDLE ReplaceByName(const std::string& path, const std::string& name) {
    const std::string directory = path.substr(0, path.size() - name.size());
    HANDLE made = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 36 && made == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS; ++attempt) {
        made = CreateFileA((directory + TemporaryName(name, attempt)).c_str(), kAccess | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        error = made == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (made == INVALID_HANDLE_VALUE) {
        ThrowCreateError(path, error);
    }
    FileHandle file(made);
    const std::wstring target = L"\\??\\" + Wide(FullPathName(path));
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(WCHAR));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(WCHAR));
    std::memcpy(rename->FileName, target.data(), rename->FileNameLength);
    if (!SetFileInformationByHandle(file.Get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        error = GetLastError();
        DeleteWhenClosed(file.Get());
        ThrowCreateError(path, error);
    }
    return file.Release();
}

// The name is taken: opened once, without following a link, shared with nobody; the tests and the emptying are
// made on that handle, so that nothing put at the name meanwhile is touched.
HANDLE ReplaceExisting(HANDLE directory, const std::string& path, const std::string& name) {
    FileHandle file(
        CreateFileA(path.c_str(), kAccess, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        // What a link names may refuse the open (Wine: a read-only file, a directory) where the link itself can
        // be replaced.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return ReplaceByName(path, name);
        }
        ThrowCreateError(path, error);
    }
    const Existing existing = Inspect(file.Get(), path);
    if ((existing.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || existing.names > 1 ||
        LedElsewhere(file.Get(), directory, name)) {
        file.Close();
        return ReplaceByName(path, name);
    }
    if ((existing.attributes & (kRefusedAttributes | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ThrowCreateError(path, ERROR_ACCESS_DENIED);
    }
    if (!SetEndOfFile(file.Get())) {
        ThrowCreateError(path, GetLastError());
    }
    return file.Release();
}

}  // namespace

HANDLE CreateFileOfWalk(HANDLE directory, const std::string& path, const std::string& name) {
    // DELETE: a file whose block does not decode is removed through its handle.
    const HANDLE made =
        CreateFileA(path.c_str(), kAccess | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made != INVALID_HANDLE_VALUE) {
        return made;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        ThrowCreateError(path, error);
    }
    return ReplaceExisting(directory, path, name);
}

}  // namespace quibel
