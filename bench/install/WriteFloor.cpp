// The floor of an installation under this system: the same tree written from content already in memory, without
// decoding, with the bare calls that creating it takes by path (GetFileAttributesA and CreateDirectoryA for each
// directory; CreateFileA with CREATE_ALWAYS and no sharing, one WriteFile and CloseHandle for each file). With
// --installer-calls, through the installer's own file system code instead (each directory held while the walk
// writes below it, each file by the installer's rule), which tells what those calls cost over the bare ones.
// Prints the seconds the writing took.
//
//   write_floor SOURCE_TREE DESTINATION [--installer-calls]
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "payload/DirectoryChain.h"
#include "platform/NativeFileSystem.h"

namespace {

struct Entry {
    std::string path;  // relative: "" for the root, "\data", "\data\a.txt"
    bool directory;
    std::vector<char> content;
};

std::vector<char> ReadWhole(const std::string& path) {
    std::vector<char> content;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return content;
    }
    content.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
    content.resize(got);
    CloseHandle(file);
    return content;
}

// Pre-order, each directory followed by its files, as in a package.
void Collect(const std::string& root, const std::string& relative, std::vector<Entry>& entries) {
    entries.push_back({relative, true, {}});
    std::vector<std::string> directories;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((root + relative + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            directories.push_back(relative + "\\" + name);
        } else {
            entries.push_back({relative + "\\" + name, false, ReadWhole(root + relative + "\\" + name)});
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const auto& directory : directories) {
        Collect(root, directory, entries);
    }
}

void WriteBare(const std::string& base, const std::vector<Entry>& entries) {
    for (const auto& entry : entries) {
        const std::string path = base + entry.path;
        if (entry.directory) {
            const DWORD attributes = GetFileAttributesA(path.c_str());
            if ((attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) &&
                !CreateDirectoryA(path.c_str(), nullptr)) {
                throw std::runtime_error("cannot create " + path);
            }
            continue;
        }
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE) {
            throw std::runtime_error("cannot create " + path);
        }
        const bool whole =
            entry.content.empty() ||
            (WriteFile(file, entry.content.data(), static_cast<DWORD>(entry.content.size()), &written, nullptr) &&
             written == entry.content.size());
        if (!CloseHandle(file) || !whole) {
            throw std::runtime_error("cannot write " + path);
        }
    }
}

void WriteThroughInstallerCalls(const std::string& base, const std::vector<Entry>& entries) {
    const auto fileSystem = quibel::MakeNativeFileSystem();
    quibel::DirectoryChain chain(*fileSystem, base);
    for (const auto& entry : entries) {
        if (entry.directory) {
            chain.Reach(entry.path, true);
            continue;
        }
        const std::size_t slash = entry.path.rfind('\\');
        const auto file = fileSystem->CreateNewFile(chain.Reach(entry.path.substr(0, slash), false), base + entry.path,
                                                    entry.path.substr(slash + 1));
        file->Write(reinterpret_cast<const std::uint8_t*>(entry.content.data()),
                    static_cast<std::int32_t>(entry.content.size()));
        file->Close();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool installerCalls = argc == 4 && std::string(argv[3]) == "--installer-calls";
    if (argc != 3 && !installerCalls) {
        std::fprintf(stderr, "usage: write_floor SOURCE_TREE DESTINATION [--installer-calls]\n");
        return 2;
    }
    std::vector<Entry> entries;
    Collect(argv[1], "", entries);
    const std::string base = argv[2];
    CreateDirectoryA(base.c_str(), nullptr);

    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    try {
        if (installerCalls) {
            WriteThroughInstallerCalls(base, entries);
        } else {
            WriteBare(base, entries);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "write_floor: %s\n", failure.what());
        return 1;
    }
    QueryPerformanceCounter(&end);
    std::size_t files = 0, bytes = 0;
    for (const auto& entry : entries) {
        files += entry.directory ? 0 : 1;
        bytes += entry.content.size();
    }
    std::printf("floor: %zu directories, %zu files, %zu bytes\n", entries.size() - files, files, bytes);
    std::printf("floor_seconds %.3f\n",
                static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
