// The host file system gives the failures and texts the installer shows: under Wine the Win32 one, natively the
// POSIX one with errno mapped to the same Windows codes.

#include "platform/NativeFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/Win32FileSystem.h"
#include "platform/Win32System.h"
#else
#include <unistd.h>

#include <functional>
#include <iterator>
#include <set>
#endif

namespace quibel {
namespace {

namespace fs = std::filesystem;

class NativeFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / ("quibel-fs-" + std::string(info->name()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        fileSystem_ = MakeNativeFileSystem();
    }
    void TearDown() override { fs::remove_all(root_); }

    // A path below the test's directory, in the system's text with its separators.
    std::string Path(const std::string& relative) const {
        std::string path = FromNativeText(root_.string()) + "\\" + relative;
#ifndef _WIN32
        for (auto& c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
#endif
        return path;
    }
    std::string HostPath(const std::string& relative) const {
        return ToNativeText(Path(relative), true);
    }
    // A path as failure messages name it: the host's own form, in the system's text.
    std::string MessagePath(const std::string& relative) const {
#ifdef _WIN32
        return Path(relative);
#else
        return FromNativeText(HostPath(relative));
#endif
    }

    std::uint32_t DirectoryFailure(const std::string& relative) {
        try {
            fileSystem_->CreateDirectoryLevel(Path(relative));
        } catch (const EInOutError& failure) {
            return failure.ErrorCode();
        }
        return 0;
    }

    fs::path root_;
    std::unique_ptr<FileSystem> fileSystem_;
};

TEST_F(NativeFileSystemTest, CreatingOneDirectoryLevel) {
    EXPECT_EQ(DirectoryFailure("made"), 0u);
    EXPECT_TRUE(fileSystem_->IsDirectory(Path("made")));
    EXPECT_FALSE(fileSystem_->IsFile(Path("made")));

    EXPECT_EQ(DirectoryFailure("missing\\child"), SystemError::PathNotFound);
    EXPECT_EQ(EInOutError::MessageFor(SystemError::PathNotFound), "Nom de fichier incorrect");

    std::ofstream(HostPath("in-the-way")) << "x";
    EXPECT_EQ(DirectoryFailure("in-the-way"), SystemError::AlreadyExists);
    EXPECT_EQ(EInOutError::MessageFor(SystemError::AlreadyExists), "Erreur E/S 183");
    EXPECT_TRUE(fileSystem_->IsFile(Path("in-the-way")));
    EXPECT_EQ(DirectoryFailure("made"), SystemError::AlreadyExists);
}

TEST_F(NativeFileSystemTest, WritingAndLoadingWholeFiles) {
    const std::vector<std::uint8_t> content = {0, 1, 2, 0xE9, 0xFF};
    fileSystem_->WriteWholeFile(Path("f.bin"), content.data(), content.size());
    EXPECT_EQ(fileSystem_->LoadWholeFile(Path("f.bin")), content);
    // Replaced whole, also by an empty file.
    fileSystem_->WriteWholeFile(Path("f.bin"), content.data(), 0);
    EXPECT_TRUE(fileSystem_->LoadWholeFile(Path("f.bin")).empty());
    EXPECT_EQ(fs::file_size(HostPath("f.bin")), 0u);
}

TEST_F(NativeFileSystemTest, ACreateFailureNamesTheFullPathAndTheSystemText) {
    fs::create_directories(HostPath("dir-in-the-way"));
    try {
        const std::uint8_t byte = 1;
        fileSystem_->WriteWholeFile(Path("dir-in-the-way"), &byte, 1);
        FAIL() << "a file was created over a directory";
    } catch (const EFCreateError& failure) {
        const std::string message = failure.what();
        const std::string prefix = "Impossible de créer le fichier \"" + MessagePath("dir-in-the-way") + "\". ";
        ASSERT_EQ(message.substr(0, prefix.size()), prefix);
        const std::string systemText = message.substr(prefix.size());
        EXPECT_FALSE(systemText.empty());
        EXPECT_NE(systemText.back(), '.');
#ifdef _WIN32
        // The system's own text for the error, as FormatMessageA words it here, without its trailing full stop.
        char buffer[512] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                       buffer, sizeof buffer, nullptr);
        std::string expected = buffer;
        while (!expected.empty() && (static_cast<unsigned char>(expected.back()) <= ' ' || expected.back() == '.')) {
            expected.pop_back();
        }
        EXPECT_EQ(systemText, expected);
#endif
    }
}

TEST_F(NativeFileSystemTest, AnOpenFailureNamesTheFullPath) {
    try {
        fileSystem_->LoadWholeFile(Path("absent.exe"));
        FAIL() << "a missing file loaded";
    } catch (const EFOpenError& failure) {
        const std::string prefix = "Impossible d'ouvrir le fichier \"" + MessagePath("absent.exe") + "\". ";
        EXPECT_EQ(std::string(failure.what()).substr(0, prefix.size()), prefix);
    }
}

TEST_F(NativeFileSystemTest, ALoadCutShortByTheSystemIsAReadError) {
    // The system's read, standing in for a byte range locked by another process or a network file gone away: it
    // delivers at most `first` bytes, then fails (-1) or reports the end of the file (0).
    struct Case {
        const char* what;
        std::size_t first;
        std::int64_t then;
    };
    const Case cases[] = {
        {"the first read fails", 0, -1},
        {"a read fails part-way", 3000, -1},
        {"the file ends part-way", 3000, 0},
        {"one byte short", 9999, 0},
    };
    const std::vector<std::uint8_t> content(10000, 0x5A);
    fileSystem_->WriteWholeFile(Path("cut.bin"), content.data(), content.size());
    for (const Case& c : cases) {
        std::size_t delivered = 0;
        const auto cutRead = [&](std::intptr_t file, void* buffer, std::size_t count) -> std::int64_t {
            if (delivered >= c.first) {
                return c.then;
            }
            const std::int64_t got = SystemFileRead(file, buffer, std::min(count, c.first - delivered));
            delivered += static_cast<std::size_t>(got);
            return got;
        };
        try {
            MakeNativeFileSystem(cutRead)->LoadWholeFile(Path("cut.bin"));
            ADD_FAILURE() << c.what << ": the load passed for whole";
        } catch (const EReadError& failure) {
            EXPECT_STREQ(failure.what(), "Erreur de lecture du flux") << c.what;
        }
    }
    // The same file through reads of a few bytes at a time loads whole.
    const auto smallReads = [](std::intptr_t file, void* buffer, std::size_t count) {
        return SystemFileRead(file, buffer, std::min<std::size_t>(count, 7));
    };
    EXPECT_EQ(MakeNativeFileSystem(smallReads)->LoadWholeFile(Path("cut.bin")), content);
}

#ifdef _WIN32
TEST_F(NativeFileSystemTest, RelativePathsAreShownInFullAndWritersAreDenied) {
    const std::string relative = "quibel-relative-absent.bin";
    try {
        fileSystem_->LoadWholeFile(relative);
        FAIL() << "a missing file loaded";
    } catch (const EFOpenError& failure) {
        EXPECT_NE(std::string(failure.what()).find("\"" + FullPathName(relative) + "\""), std::string::npos);
        EXPECT_NE(FullPathName(relative), relative);
    }

    // The installer's file is read with writing by others denied: a writer that holds it open makes the load fail.
    const std::uint8_t byte = 1;
    fileSystem_->WriteWholeFile(Path("held.bin"), &byte, 1);
    HANDLE writer = CreateFileA(Path("held.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(fileSystem_->LoadWholeFile(Path("held.bin")), EFOpenError);
    CloseHandle(writer);
    EXPECT_EQ(fileSystem_->LoadWholeFile(Path("held.bin")).size(), 1u);
}
#endif

#ifdef _WIN32
// Only reparse points that name another place are links; the tag comes through the seam that reads it, since no
// junction or cloud folder can be made under Wine.
TEST_F(NativeFileSystemTest, OnlyReparsePointsThatNameAnotherPlaceAreLinks) {
    const struct {
        const char* what;
        ReparsePoint reparsePoint;
        bool link;
    } cases[] = {
        {"symbolic link", {true, 0xA000000C}, true},
        {"junction or mount point", {true, 0xA0000003}, true},
        {"WSL link", {true, 0xA000001D}, true},
        {"no readable tag (a Unix link under Wine)", {true, 0}, true},
        {"cloud files placeholder", {true, 0x9000701A}, false},
        {"no reparse point", {false, 0}, false},
    };
    fs::create_directories(HostPath("d"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto fileSystem =
            MakeWin32FileSystem(SystemFileRead, {}, [&](const std::string&, std::intptr_t) { return c.reparsePoint; });
        try {
            const auto held = fileSystem->OpenDirectory(nullptr, Path("d"), "d", false);
            const auto file = fileSystem->CreateNewFile(*held, Path("d\\f.txt"), "f.txt");
            EXPECT_FALSE(c.link) << "a link was opened";
        } catch (const EInOutError& failure) {
            EXPECT_TRUE(c.link) << failure.what();
            EXPECT_EQ(failure.ErrorCode(), SystemError::PathNotFound);
        }
    }
}

// An existing directory that cannot be opened (another program holds it without sharing) says why, in the
// system's code for that open; it is never taken for a missing one, whose creation would then say 183.
TEST_F(NativeFileSystemTest, AnExistingDirectoryThatCannotBeOpenedSaysWhy) {
    fs::create_directories(HostPath("held"));
    HANDLE other =
        CreateFileA(Path("held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    for (const bool create : {true, false}) {
        try {
            fileSystem_->OpenDirectory(nullptr, Path("held"), "held", create);
            ADD_FAILURE() << "opened a directory another program holds without sharing";
        } catch (const EInOutError& failure) {
            EXPECT_EQ(failure.ErrorCode(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION)) << failure.what();
        }
    }
    CloseHandle(other);
}
#else
// Every tree below root, as paths relative to it.
std::set<std::string> TreeBelow(const fs::path& root) {
    std::set<std::string> paths;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        paths.insert(fs::relative(item.path(), root).string());
    }
    return paths;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Links planted and directories swapped for links while the walk goes on, through the file system's hook at the
// moment a path is about to be opened or created: nothing is ever written outside the target. (Links standing there
// before the walk: QpackExtract_test.)
TEST_F(NativeFileSystemTest, NothingIsWrittenThroughLinksOrSwaps) {
    struct Case {
        const char* what;
        std::string at;  // the path (below base) at which the hook acts
        std::function<void(const fs::path& base, const fs::path& outside)> act;
        std::string replaced;  // a path below base where the new file must stand, a regular file
    };
    const auto swap = [](const std::string& directory) {
        return [directory](const fs::path& base, const fs::path& outside) {
            const fs::path swapped = directory.empty() ? base : base / directory;
            fs::rename(swapped, fs::path(swapped.string() + ".old"));
            fs::create_directory_symlink(outside, swapped);
        };
    };
    const std::vector<Case> cases = {
        {"a link planted at a file's name as it is created", "d/g.txt",
         [](const fs::path& base, const fs::path& outside) {
             fs::create_symlink(outside / "victim.txt", base / "d/g.txt");
         },
         "d/g.txt"},
        {"its directory swapped for a link before a file is created", "d/g.txt", swap("d"), "d.old/g.txt"},
        {"a parent swapped for a link before a directory is opened", "d/e", swap("d"), "d.old/e/h.txt"},
        {"the base swapped for a link", "d", swap(""), "../base.old/d/e/h.txt"},
    };
    testing::PackageBytes package;
    package.Header().Directory("").Directory("\\d").File("g.txt", testing::BytesOf("new")).Directory("\\d\\e");
    package.File("h.txt", testing::BytesOf("new"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path base = root_ / "base";
        const fs::path outside = root_ / "outside";
        fs::remove_all(root_);
        fs::create_directories(base);
        fs::create_directories(outside);
        std::ofstream(outside / "victim.txt") << "victim";
        const auto fileSystem = MakeNativeFileSystem(SystemFileRead, [&](const std::string& path) {
            if (ToNativeText(path, true) == (base / c.at).string()) {
                c.act(base, outside);
            }
        });
        PayloadStream stream;
        stream.Replace(package.bytes);
        testing::RecordedLines lines;
        FindPayload(stream, 0, lines);
        TreeExtractor(stream, *fileSystem, lines).ExtractTree(Path("base"));
        EXPECT_EQ(TreeBelow(outside), std::set<std::string>{"victim.txt"});
        EXPECT_EQ(ReadText(outside / "victim.txt"), "victim");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(base / c.replaced)));
        EXPECT_EQ(ReadText(base / c.replaced), "new");
    }
}
#endif

TEST(ForceDirectories, CreatesEveryMissingLevelAndReportsFailureQuietly) {
    const auto root = fs::temp_directory_path() / "quibel-force";
    fs::remove_all(root);
    fs::create_directories(root);
    auto fileSystem = MakeNativeFileSystem();
    std::string base = FromNativeText(root.string());
    for (auto& c : base) {
        if (c == '/') {
            c = '\\';
        }
    }
    EXPECT_TRUE(ForceDirectories(*fileSystem, base + "\\a\\b\\c"));
    EXPECT_TRUE(fileSystem->IsDirectory(base + "\\a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(*fileSystem, base + "\\a\\b\\c"));
    const std::uint8_t byte = 0;
    fileSystem->WriteWholeFile(base + "\\file", &byte, 1);
    EXPECT_FALSE(ForceDirectories(*fileSystem, base + "\\file\\sub"));
    fs::remove_all(root);
}

}  // namespace
}  // namespace quibel
