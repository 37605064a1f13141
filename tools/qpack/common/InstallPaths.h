#pragma once
// The paths an install creates, against the limits of the installer's ANSI calls: CreateDirectoryA takes at most
// 247 characters (MAX_PATH - 12), a file's path at most 259 (MAX_PATH - 1). A package is installed under one
// base at least this long (C:\Quibel for an installer, c:\speng for a side archive's speech engine): an entry
// past the limit under that base fails under every base, and the installer stops part-way.

#include <cstddef>
#include <string>
#include <vector>

namespace quibel::qpack {

inline constexpr std::size_t kLongestDirectoryPath = 247;
inline constexpr std::size_t kLongestFilePath = 259;
inline constexpr const char* kShortestInstallerBase = "C:\\Quibel";
inline constexpr const char* kShortestSideArchiveBase = "c:\\speng";

// Keeps, of all the entries given, the longest directory and file paths past their limits and their counts.
class InstallPaths {
  public:
    explicit InstallPaths(std::string base) : base_(std::move(base)) {}

    // A directory by its path from the root ("\data\sons"; "" for the root); a file by its directory and name
    // (Windows-1252).
    void Directory(const std::string& path);
    void File(const std::string& directory, const std::string& name);

    // One warning per kind of entry past its limit: how many, and the longest with its length.
    std::vector<std::string> Warnings() const;

  private:
    struct TooLong {
        std::size_t count = 0;
        std::string longest;  // under the base
    };
    static void Add(TooLong& kind, std::string path);

    std::string base_;
    TooLong directories_;
    TooLong files_;
};

}  // namespace quibel::qpack
