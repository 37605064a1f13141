// The second line of defence of qpack extract: what lies within a base, taken on the text of the path alone.

#include "tools/qpack/inspect/ExtractionTarget.h"

#include <gtest/gtest.h>

#include <functional>

#include "payload/Errors.h"
#include "platform/SystemReason.h"
#include "tools/qpack/common/PackError.h"

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

// A file system on which every directory and file creation fails (a name taken by a file, a full disk), with the
// system's reason beside the installer's failure.
class Refusing final : public FileSystem {
  public:
    bool IsDirectory(const std::string&) override { return false; }
    bool IsFile(const std::string&) override { return false; }
    void CreateDirectoryLevel(const std::string&) override { throw EInOutError(SystemError::AlreadyExists); }
    void WriteWholeFile(const std::string&, const std::uint8_t*, std::size_t) override { throw EWriteError(); }
    std::vector<std::uint8_t> LoadWholeFile(const std::string&) override { return {}; }
    std::unique_ptr<Directory> OpenDirectory(const Directory*, const std::string&, const std::string&, bool) override {
        throw WithSystemReason<EInOutError>("Not a directory", SystemError::AlreadyExists);
    }
    std::unique_ptr<NewFile> CreateNewFile(const Directory&, const std::string&, const std::string&) override {
        struct Full final : NewFile {
            void Write(const std::uint8_t*, std::int32_t) override {
                throw WithSystemReason<EWriteError>("No space left on device");
            }
            void Close() override {}
            void Remove() override {}
        };
        return std::make_unique<Full>();
    }
};

// The installer's texts name no path, and a path's log line comes only once it is made (or not at all, with -q):
// the path, the system's reason, then what the installer would say.
TEST(ExtractionTarget, AFailedCreationNamesThePath) {
    Refusing refusing;
    ConfinedFileSystem confined(refusing, "\\tmp\\w");
    const std::uint8_t byte = 0;
    const struct {
        std::function<void()> create;
        std::string expected;
    } cases[] = {
#ifdef _WIN32
        {[&] {
             confined.CreateNewFile(FileSystem::Directory(), "\\tmp\\w\\données.bin", "données.bin")->Write(&byte, 1);
         },
         "\\tmp\\w\\données.bin: No space left on device; the installer would stop with \"Erreur d'écriture dans le "
         "flux.\""},
        {[&] { confined.OpenDirectory(nullptr, "\\tmp\\w\\sub", "sub", true); },
         "\\tmp\\w\\sub: Not a directory; the installer would stop with \"Erreur E/S 183.\""},
#else
        // UTF-8 on the terminal: é is C3 A9.
        {[&] {
             confined.CreateNewFile(FileSystem::Directory(), "\\tmp\\w\\données.bin", "données.bin")->Write(&byte, 1);
         },
         "/tmp/w/donn\xc3\xa9"
         "es.bin: No space left on device; the installer would stop with \"Erreur d'\xc3\xa9"
         "criture dans le flux.\""},
        {[&] { confined.OpenDirectory(nullptr, "\\tmp\\w\\sub", "sub", true); },
         "/tmp/w/sub: Not a directory; the installer would stop with \"Erreur E/S 183.\""},
#endif
    };
    for (const auto& c : cases) {
        try {
            c.create();
            ADD_FAILURE() << "did not fail: " << c.expected;
        } catch (const PackError& failure) {
            EXPECT_EQ(std::string(failure.what()), c.expected);
        }
    }
}

}  // namespace
}  // namespace quibel::qpack
