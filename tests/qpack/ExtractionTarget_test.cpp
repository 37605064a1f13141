// The second line of defence of qpack extract: what lies within a base, taken on the text of the path alone.

#include "tools/qpack/ExtractionTarget.h"

#include <gtest/gtest.h>

#include "payload/Errors.h"
#include "tools/qpack/PackError.h"

namespace quibel::qpack {
namespace {

TEST(ExtractionTarget, OnlyPathsBelowTheBaseOrGluedBesideItAreCreated) {
    const std::string base = "\\tmp\\w\\X";
    const std::pair<std::string, bool> cases[] = {
        {"\\tmp\\w\\X", true},
        {"\\tmp\\w\\X\\a\\b.txt", true},
        {"\\tmp\\w\\X\\.\\a", true},
        {"\\tmp\\w\\X.", true},
        {"\\tmp\\w\\X.\\x", true},
        {"\\tmp\\w\\X-sibling\\pwn", true},
        {"\\tmp\\w\\X\\..", false},
        {"\\tmp\\w\\X\\..\\pwn", false},
        {"\\tmp\\w\\X\\.\\..\\pwn", false},
        {"\\tmp\\w\\X\\a\\..\\..", false},
        {"\\tmp\\w", false},
        {"\\tmp\\w\\Y\\X", false},
        {"\\tmp\\w\\x", false},
        {"\\tmp/w/X/a", true},
        {"\\tmp\\w\\X\\a/../../b", false},
    };
    for (const auto& [path, within] : cases) {
        EXPECT_EQ(LiesWithinBase(base, path), within) << path;
    }
    EXPECT_TRUE(LiesWithinBase("\\", "\\anything"));
    EXPECT_TRUE(LiesWithinBase("C:\\Apps\\Quibel", "C:\\Apps\\Quibel\\data"));
    EXPECT_FALSE(LiesWithinBase("C:\\Apps\\Quibel", "C:\\Windows\\System32"));
}

// A file system whose every write fails as a full disk's does.
class FullDisk final : public FileSystem {
  public:
    bool IsDirectory(const std::string&) override { return true; }
    bool IsFile(const std::string&) override { return false; }
    void RefuseLink(const std::string&) override {}
    void CreateDirectoryLevel(const std::string&) override {}
    void WriteWholeFile(const std::string&, const std::uint8_t*, std::size_t) override { throw EWriteError(); }
    std::vector<std::uint8_t> LoadWholeFile(const std::string&) override { return {}; }
};

TEST(ExtractionTarget, AFailedWriteNamesTheFile) {
    FullDisk disk;
    ConfinedFileSystem confined(disk, "\\tmp\\w");
    const std::uint8_t byte = 0;
    try {
        confined.WriteWholeFile("\\tmp\\w\\sub\\données.bin", &byte, 1);
        FAIL() << "the write did not fail";
    } catch (const PackError& failure) {
#ifdef _WIN32
        EXPECT_EQ(std::string(failure.what()), "\\tmp\\w\\sub\\données.bin: Erreur d'écriture dans le flux.");
#else
        // UTF-8 on the terminal: é is C3 A9.
        EXPECT_EQ(std::string(failure.what()),
                  "/tmp/w/sub/donn\xc3\xa9"
                  "es.bin: Erreur d'\xc3\xa9"
                  "criture dans le flux.");
#endif
    }
}

}  // namespace
}  // namespace quibel::qpack
