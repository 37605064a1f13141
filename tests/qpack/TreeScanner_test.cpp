// The tree scan before packing: every problem of a tree found in one run and reported in tree order, links
// followed on request (as tar -h does) with loops and dangling links refused, and the product program looked for.

#include "tools/qpack/tree/TreeScanner.h"

#include <gtest/gtest.h>

#include "tools/qpack/write/PayloadBuilder.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

#ifdef QPACK_HAS_HOST_TOOLS
#include "tests/support/TestStub.h"
#include "tests/support/ToolRun.h"
#endif

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class TreeScannerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("qpack-scan-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "tree");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
};

TEST_F(TreeScannerTest, TheProductProgramIsLookedForAtTheRootInAnyCase) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Quibel.EXE", true}, {"sub/quibel.exe", false}, {"quibel.exe/x.txt", false}, {"quibel.ex", false}};
    for (const auto& [file, holds] : cases) {
        SCOPED_TRACE(file);
        fs::remove_all(root_ / "tree");
        Write(root_ / "tree" / fs::path(file).make_preferred(), "MZ");
        EXPECT_EQ(RootHoldsProductProgram(ScanTree(root_ / "tree")), holds);
    }
}

// Names as macOS writes them, decomposed (e, then U+0301), are composed (NFC) before their Windows-1252 form is
// sought, and the package keeps the composed form; two names that are one once composed are refused, as names that
// differ only in letter case are.
TEST_F(TreeScannerTest, NamesAreComposedBeforeTheirWindows1252Form) {
    const struct {
        std::vector<const char8_t*> names;
        const char* packed;   // Windows-1252; nullptr: refused
        const char* problem;  // a part of the refusal
    } cases[] = {
        {{u8"e\u0301le\u0300ve.txt"}, "\xE9l\xE8ve.txt", nullptr},
        {{u8"\u00C9t\u00E9.txt"}, "\xC9t\xE9.txt", nullptr},
        {{u8"\u00E9t\u00E9.txt", u8"e\u0301te\u0301.txt"}, nullptr, "composed (NFC)"},
        {{u8"e\u0304.txt"}, nullptr, "no Windows-1252 form"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packed != nullptr ? c.packed : c.problem);
        fs::remove_all(root_ / "tree");
        for (const char8_t* name : c.names) {
            Write(root_ / "tree" / fs::path(name), "x");
        }
        try {
            const ScannedTree tree = ScanTree(root_ / "tree");
            ASSERT_EQ(tree.directories.front().files.size(), 1u);
            EXPECT_EQ(tree.directories.front().files.front().name, c.packed != nullptr ? c.packed : "refused");
        } catch (const TreeProblems& problems) {
            EXPECT_NE(std::string(problems.what()).find(c.problem != nullptr ? c.problem : "packed"), std::string::npos)
                << problems.what();
        }
    }
}

#ifdef QPACK_HAS_HOST_TOOLS
// Each expected line is a fragment and a word that must follow it on its line, in the order they must come.
using Expected = std::vector<std::pair<std::string, std::string>>;

void ExpectInOrder(const std::string& text, const Expected& expected, bool everyLine = true) {
    std::size_t at = 0;
    for (const auto& [fragment, word] : expected) {
        const std::size_t line = text.find(fragment, at);
        ASSERT_NE(line, std::string::npos) << fragment << " missing or out of order in\n" << text;
        const std::size_t end = text.find('\n', line);
        EXPECT_NE(text.substr(line, end - line).find(word), std::string::npos) << word << " for " << fragment;
        at = end;
    }
    if (everyLine) {
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), expected.size()) << text;
    }
}

using testing::ToolRun;

ToolRun RunQpack(const std::string& arguments) {
    return testing::RunTool(std::string(QPACK_EXECUTABLE) + " " + arguments);
}

// pack and installer refuse the whole tree in one run, one error line per problem, and write nothing; with
// --follow-links they pack what links lead to (as tar -h does) and refuse loops and links leading nowhere.
TEST_F(TreeScannerTest, TheToolReportsEveryProblemOrFollowsLinks) {
    struct Case {
        const char* name;
        std::string command;  // before the tree's path
        std::function<void(const fs::path&)> make;
        int exitCode;
        Expected lines;  // in order: the errors on failure (every line one), the package's list on success
        bool everyLine = true;
    };
    const std::string stub = "--stub '" + (root_ / "stub.exe").string() + "' ";
    // Problems of every kind, anywhere in the tree: reported in package order below each directory.
    const auto badTree = [](const fs::path& t) {
        Write(t / "x.txt", "1");
        Write(t / "X.TXT", "2");
        Write(t / "trail.", "");
        Write(t / "CON", "");
        Write(t / "a:b.txt", "");
        Write(t / "ok.txt", "fine");
        Write(t / "sub" / "deep" / "bad?", "");
        Write(t / "sub" / "huge.bin", "");
        fs::resize_file(t / "sub" / "huge.bin", std::uintmax_t{1} << 31);  // sparse: nothing is written
        fs::create_directories(t / "com1" / "in:side");                    // a bad directory is still read
        fs::create_symlink("ok.txt", t / "lien");
    };
    const Expected badTreeReport = {{"a:b.txt", "forbids"},      {"/com1:", "device"},  {"/CON:", "device"},
                                    {"/lien:", "symbolic link"}, {"/trail.:", "dot"},   {"x.txt:", "letter case"},
                                    {"in:side", "forbids"},      {"huge.bin", "2 GiB"}, {"bad?", "forbids"}};
    const std::vector<Case> cases = {
        {"pack, every problem", "pack", badTree, 1, badTreeReport},
        {"installer, every problem", "installer " + stub, badTree, 1, badTreeReport},
        {"more than 100, all reported",
         "pack",
         [](const fs::path& t) {
             for (int i = 0; i < 105; ++i) {
                 Write(t / ("bad:" + std::to_string(100 + i)), "");
             }
         },
         1,
         {{"bad:100", "forbids"}, {"bad:199", "forbids"}, {"bad:204", "forbids"}},
         false},
        {"link to a file followed",
         "pack --follow-links",
         [](const fs::path& t) {
             Write(t.parent_path() / "outside.txt", "outside");
             fs::create_symlink("../outside.txt", t / "copy.txt");
         },
         0,
         {{"   7  ", "\\copy.txt"}}},
        {"link to a directory followed",
         "pack --follow-links",
         [](const fs::path& t) {
             Write(t.parent_path() / "lib" / "sub" / "f.txt", "deep");
             fs::create_directory_symlink("../lib", t / "lib");
         },
         0,
         {{"\\lib\\sub\\", ""}, {"   4  ", "f.txt"}}},
        {"link to an ancestor refused",
         "pack --follow-links",
         [](const fs::path& t) {
             fs::create_directories(t / "d");
             fs::create_directory_symlink("..", t / "d" / "up");
         },
         1,
         {{"d/up", "loops back"}}},
        {"loop through two links refused",
         "pack --follow-links",
         [](const fs::path& t) {
             fs::create_directories(t / "a");
             fs::create_directories(t / "b");
             fs::create_directory_symlink("../b", t / "a" / "to-b");
             fs::create_directory_symlink("../a", t / "b" / "to-a");
         },
         1,
         {{"/a/to-b/to-a", "loops back"}, {"/b/to-a/to-b", "loops back"}}},
        {"dangling and circular links refused",
         "pack --follow-links",
         [](const fs::path& t) {
             fs::create_symlink("nowhere", t / "gone");
             fs::create_symlink("l2", t / "l1");
             fs::create_symlink("l1", t / "l2");
         },
         1,
         {{"/gone", "does not exist"}, {"/l1", "cannot be followed"}, {"/l2", "cannot be followed"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_);
        fs::create_directories(root_ / "tree");
        const std::vector<std::uint8_t> stub = testing::TestStub();
        Write(root_ / "stub.exe", std::string(stub.begin(), stub.end()));
        c.make(root_ / "tree");
        const fs::path package = root_ / "p.maj";
        const ToolRun run = RunQpack(c.command + " '" + (root_ / "tree").string() + "' -o '" + package.string() + "'");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(fs::exists(package), c.exitCode == 0);
        if (c.exitCode == 0) {
            EXPECT_EQ(run.output.rfind("qpack pack: " + package.string() + ": ", 0), 0u) << run.output;  // the summary
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
            ExpectInOrder(RunQpack("list '" + package.string() + "'").output, c.lines, false);
            continue;
        }
        ExpectInOrder(run.output, c.lines, c.everyLine);
        const std::string prefix = "qpack " + c.command.substr(0, c.command.find(' ')) + ": error: ";
        for (std::size_t at = 0; at < run.output.size(); at = run.output.find('\n', at) + 1) {
            EXPECT_EQ(run.output.compare(at, prefix.size(), prefix), 0) << run.output.substr(at);
        }
        if (!c.everyLine) {
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 105);
        }
    }
}
#endif

#ifndef _WIN32  // links and hard links as POSIX makes them
// What is packed is the file the scan saw: a file swapped after the scan for a link, another file or another
// file's second name, or grown, fails the pack naming it, and nothing is written. A second name of a file of the
// tree is packed as it is.
TEST_F(TreeScannerTest, PackingReadsTheVeryFilesTheScanSaw) {
    const struct {
        const char* what;
        const char* changed;
        std::function<void(const fs::path& tree, const fs::path& outside)> change;
    } cases[] = {
        {"a second name of a file of the tree", "", [](const fs::path&, const fs::path&) {}},
        {"swapped for a link", "a.txt",
         [](const fs::path& tree, const fs::path& outside) {
             fs::remove(tree / "a.txt");
             fs::create_symlink(outside / "secret.txt", tree / "a.txt");
         }},
        {"replaced by another file", "a.txt",
         [](const fs::path& tree, const fs::path&) {
             Write(tree / "new.tmp", "other");
             fs::rename(tree / "new.tmp", tree / "a.txt");
         }},
        {"replaced by another file's second name", "a.txt",
         [](const fs::path& tree, const fs::path& outside) {
             fs::remove(tree / "a.txt");
             fs::create_hard_link(outside / "secret.txt", tree / "a.txt");
         }},
        {"grown", "a.txt",
         [](const fs::path& tree, const fs::path&) { std::ofstream(tree / "a.txt", std::ios::app) << "+"; }},
        {"a followed link swapped for another", "l.txt",
         [](const fs::path& tree, const fs::path& outside) {
             fs::remove(tree / "l.txt");
             fs::create_symlink(outside / "secret.txt", tree / "l.txt");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path tree = root_ / "tree";
        fs::remove_all(root_);
        Write(tree / "a.txt", "alpha");
        fs::create_hard_link(tree / "a.txt", tree / "b.txt");
        Write(root_ / "outside" / "x.txt", "linked");
        Write(root_ / "outside" / "secret.txt", "secret");
        fs::create_symlink(root_ / "outside" / "x.txt", tree / "l.txt");
        const ScannedTree scanned = ScanTree(tree, {true});
        c.change(tree, root_ / "outside");
        OutputFile out(root_ / "p.maj");
        PackageDigester digest;
        try {
            WritePayload(scanned, PayloadOptions{}, out, digest);
            EXPECT_EQ(std::string(c.changed), "") << "packed";
        } catch (const PackError& failure) {
            EXPECT_NE(std::string(c.changed), "") << failure.what();
            EXPECT_NE(std::string(failure.what()).find((tree / c.changed).string() + ": "), std::string::npos)
                << failure.what();
        }
    }
}
#endif

}  // namespace
}  // namespace quibel::qpack
