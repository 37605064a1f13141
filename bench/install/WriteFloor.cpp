// The floor of an installation under this system: the same tree written with the same calls as the installer makes
// (GetFileAttributesA and CreateDirectoryA per directory, CreateFileA + one WriteFile + CloseHandle per file), from
// content already in memory, without decoding. Prints the seconds the writing took.
//
//   write_floor SOURCE_TREE DESTINATION
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

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
    for (const auto& entry : entries) {
        const std::string path = base + entry.path;
        if (entry.directory) {
            const DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                CreateDirectoryA(path.c_str(), nullptr);
            }
            continue;
        }
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "write_floor: cannot create %s\n", path.c_str());
            return 1;
        }
        DWORD written = 0;
        if (!entry.content.empty()) {
            WriteFile(file, entry.content.data(), static_cast<DWORD>(entry.content.size()), &written, nullptr);
        }
        CloseHandle(file);
        ++files;
        bytes += entry.content.size();
    }
    QueryPerformanceCounter(&end);
    std::printf("floor: %zu directories, %zu files, %zu bytes\n", entries.size() - files, files, bytes);
    std::printf("floor_seconds %.3f\n",
                static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
