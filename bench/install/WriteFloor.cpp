// The floor of an installation under this system: the same tree written with the same calls as the installer makes,
// through its own file system code (each directory opened from the one above it and held, checked again before
// each file is created, each file created new and written in one write), from content already in memory, without
// decoding. Prints the seconds the writing took.
//
//   write_floor SOURCE_TREE DESTINATION
#include <windows.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_floor SOURCE_TREE DESTINATION\n");
        return 2;
    }
    std::vector<Entry> entries;
    Collect(argv[1], "", entries);
    const std::string base = argv[2];
    CreateDirectoryA(base.c_str(), nullptr);

    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    std::size_t files = 0, bytes = 0;
    try {
        const auto fileSystem = quibel::MakeNativeFileSystem();
        quibel::DirectoryChain chain(*fileSystem, base);
        for (const auto& entry : entries) {
            if (entry.directory) {
                chain.Reach(entry.path, true);
                continue;
            }
            const std::size_t slash = entry.path.rfind('\\');
            const std::string name = entry.path.substr(slash + 1);
            const auto file =
                fileSystem->CreateNewFile(chain.Reach(entry.path.substr(0, slash), false), base + entry.path, name);
            file->Write(reinterpret_cast<const std::uint8_t*>(entry.content.data()),
                        static_cast<std::int32_t>(entry.content.size()));
            file->Close();
            ++files;
            bytes += entry.content.size();
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "write_floor: %s\n", failure.what());
        return 1;
    }
    QueryPerformanceCounter(&end);
    std::printf("floor: %zu directories, %zu files, %zu bytes\n", entries.size() - files, files, bytes);
    std::printf("floor_seconds %.3f\n",
                static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
