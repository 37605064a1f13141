// What the installer holds in memory while it installs one large file, in a process of its own: the whole package
// loaded as the installer loads it, then its one file entry copied out as a block and decoded whole, written
// nowhere. Prints the largest free block of the address space before the load and whether the file could be held.
//
//   largest_file_probe PACKAGE       exit code 0: decoded; 1: a failure (its message is printed)
#include <windows.h>

#include <cstdio>
#include <string>

#include "payload/Errors.h"
#include "payload/LineSink.h"
#include "payload/PackageReader.h"
#include "payload/PayloadStream.h"
#include "payload/TreeExtractor.h"
#include "platform/NativeFileSystem.h"

namespace {

std::size_t LargestFreeBlock() {
    std::size_t largest = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_FREE && region.RegionSize > largest) {
            largest = region.RegionSize;
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return largest;
}

// A file that only counts what it is given.
class CountedFile final : public quibel::FileSystem::NewFile {
  public:
    explicit CountedFile(std::size_t& written) : written_(written) { written_ = 0; }
    void Write(const std::uint8_t*, std::int32_t count) override { written_ += static_cast<std::size_t>(count); }
    void Close() override {}
    void Remove() override {}

  private:
    std::size_t& written_;
};

// Directories are taken as made and files as written: only the memory of the walk is measured.
class NoWrites final : public quibel::FileSystem {
  public:
    explicit NoWrites(quibel::FileSystem& real) : real_(real) {}
    bool IsDirectory(const std::string&) override { return true; }
    bool IsFile(const std::string&) override { return false; }
    void CreateDirectoryLevel(const std::string&) override {}
    void WriteWholeFile(const std::string&, const std::uint8_t*, std::size_t size) override { written = size; }
    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override { return real_.LoadWholeFile(path); }
    std::unique_ptr<Directory> OpenDirectory(const Directory*, const std::string&, const std::string&, bool) override {
        return std::make_unique<Directory>();
    }
    std::unique_ptr<NewFile> CreateNewFile(const Directory&, const std::string&, const std::string&) override {
        return std::make_unique<CountedFile>(written);
    }
    std::size_t written = 0;

  private:
    quibel::FileSystem& real_;
};

class NoLines final : public quibel::LineSink {
  public:
    void AppendLine(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: largest_file_probe PACKAGE\n");
        return 2;
    }
    std::printf("largest free block %zu\n", LargestFreeBlock());
    const auto native = quibel::MakeNativeFileSystem();
    NoWrites fileSystem(*native);
    NoLines lines;
    try {
        quibel::PayloadStream package;
        package.Replace(native->LoadWholeFile(argv[1]));
        quibel::FindPayload(package, 0, lines);
        quibel::TreeExtractor(package, fileSystem, lines).ExtractTree("C:\\probe");
    } catch (const quibel::Exception& failure) {
        std::printf("failed: %s\n", failure.what());
        return 1;
    }
    std::printf("decoded %zu\n", fileSystem.written);
    return 0;
}
