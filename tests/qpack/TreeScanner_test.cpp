// The tree scan before packing: every problem of a tree found in one run and reported in tree order, links
// followed on request (as tar -h does) with loops and dangling links refused, and the product program looked for.

#include "tools/qpack/TreeScanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#ifdef QPACK_HAS_HOST_TOOLS
#include <sys/wait.h>
#endif

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}


// Each expected problem is a path fragment and a word of its reason, in the order they must come.
using Expected = std::vector<std::pair<std::string, std::string>>;

void ExpectInOrder(const std::string& text, const Expected& expected) {
    std::size_t at = 0;
    for (const auto& [path, reason] : expected) {
        const std::size_t line = text.find(path, at);
        ASSERT_NE(line, std::string::npos) << path << " missing or out of order in\n" << text;
        const std::size_t end = text.find('\n', line);
        EXPECT_NE(text.substr(line, end - line).find(reason), std::string::npos) << reason << " for " << path;
        at = end;
    }
}

std::vector<std::string> ProblemsOf(const fs::path& tree, const ScanOptions& options = {}) {
    try {
        ScanTree(tree, options);
    } catch (const TreeProblems& problems) {
        return problems.Problems();
    }
    return {};
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
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

TEST_F(TreeScannerTest, EveryProblemIsReportedInTreeOrder) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        Expected problems;  // in order
        std::size_t count;
    };
    const std::vector<Case> cases = {
        {"several, in package order below each directory",
         [](const fs::path& t) {
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
#ifndef _WIN32
             fs::create_symlink("ok.txt", t / "lien");
#endif
         },
         {{"a:b.txt", "forbids"},
          {"com1", "device"},
          {"CON", "device"},
#ifndef _WIN32
          {"lien", "symbolic link"},
#endif
          {"trail.", "dot"},
          {"x.txt", "letter case"},
          {"in:side", "forbids"},
          {"huge.bin", "2 GiB"},
          {"bad?", "forbids"}},
#ifndef _WIN32
         9
#else
         8
#endif
        },
        {"more than the report lists",
         [](const fs::path& t) {
             for (int i = 0; i < 130; ++i) {
                 char name[16];
                 std::snprintf(name, sizeof name, "bad:%03d", i);
                 Write(t / name, "");
             }
         },
         {{"bad:000", "forbids"}, {"bad:099", "forbids"}, {"and 30 more problems", ""}},
         130},
        {"none", [](const fs::path& t) { Write(t / "ok.txt", "fine"); }, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path tree = root_ / "tree";
        fs::remove_all(tree);
        fs::create_directories(tree);
        c.make(tree);
        const std::vector<std::string> problems = ProblemsOf(tree);
        EXPECT_EQ(problems.size(), c.count) << Lines(problems);
        const std::vector<std::string> report = ProblemReport(problems);
        EXPECT_EQ(report.size(), std::min<std::size_t>(c.count, ReportedProblemLimit + 1));
        ExpectInOrder(Lines(report), c.problems);
        EXPECT_EQ(Lines(report).find("bad:100"), std::string::npos);
    }
}

#ifndef _WIN32  // links as POSIX has them
std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(TreeScannerTest, FollowedLinksPackWhatTheyPointToAndLoopsAreRefused) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::vector<std::pair<std::string, std::string>> files;  // package path and content, in order
        Expected problems;
    };
    const std::vector<Case> cases = {
        {"link to a file",
         [](const fs::path& t) {
             Write(t.parent_path() / "outside.txt", "outside");
             fs::create_symlink("../outside.txt", t / "copy.txt");
         },
         {{"\\copy.txt", "outside"}},
         {}},
        {"link to a directory",
         [](const fs::path& t) {
             Write(t.parent_path() / "lib" / "sub" / "f.txt", "deep");
             Write(t.parent_path() / "lib" / "g.txt", "top");
             fs::create_directory_symlink("../lib", t / "lib");
         },
         {{"\\lib\\g.txt", "top"}, {"\\lib\\sub\\f.txt", "deep"}},
         {}},
        {"link to an ancestor",
         [](const fs::path& t) {
             Write(t / "d" / "f.txt", "f");
             fs::create_directory_symlink("..", t / "d" / "up");
         },
         {},
         {{"/up", "loops back"}}},
        {"loop through two links",
         [](const fs::path& t) {
             fs::create_directories(t / "a");
             fs::create_directories(t / "b");
             fs::create_directory_symlink("../b", t / "a" / "to-b");
             fs::create_directory_symlink("../a", t / "b" / "to-a");
         },
         {},
         {{"/to-a", "loops back"}, {"/to-b", "loops back"}}},
        {"dangling link",
         [](const fs::path& t) { fs::create_symlink("nowhere", t / "gone"); },
         {},
         {{"/gone", "does not exist"}}},
        {"links to each other",
         [](const fs::path& t) {
             fs::create_symlink("l2", t / "l1");
             fs::create_symlink("l1", t / "l2");
         },
         {},
         {{"/l1", "cannot be followed"}, {"/l2", "cannot be followed"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path tree = root_ / "tree";
        fs::remove_all(root_);
        fs::create_directories(tree);
        c.make(tree);
        EXPECT_FALSE(ProblemsOf(tree, {false}).empty());  // refused unless asked for
        if (!c.problems.empty()) {
            const std::vector<std::string> problems = ProblemsOf(tree, {true});
            EXPECT_EQ(problems.size(), c.problems.size()) << Lines(problems);
            ExpectInOrder(Lines(problems), c.problems);
            continue;
        }
        const ScannedTree scanned = ScanTree(tree, {true});
        std::vector<std::pair<std::string, std::string>> packed;
        for (const ScannedDirectory& directory : scanned.directories) {
            for (const ScannedFile& file : directory.files) {
                packed.emplace_back(directory.name + "\\" + file.name, Read(file.hostPath));
                EXPECT_EQ(file.size, packed.back().second.size());
            }
        }
        EXPECT_EQ(packed, c.files);
    }
}
#endif

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

#ifdef QPACK_HAS_HOST_TOOLS
// The tool refuses the whole tree in one run, naming each problem, and writes nothing.
TEST_F(TreeScannerTest, PackReportsEveryProblemAndWritesNothing) {
    const fs::path tree = root_ / "tree";
    Write(tree / "a:b.txt", "");
    Write(tree / "d" / "CON", "");
    Write(tree / "d" / "e" / "trail.", "");
    const fs::path package = root_ / "p.maj";
    const std::string command =
        std::string(QPACK_EXECUTABLE) + " pack '" + tree.string() + "' -o '" + package.string() + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << output;
    ExpectInOrder(output, {{"a:b.txt", "forbids"}, {"CON", "device"}, {"trail.", "dot"}});
    EXPECT_FALSE(fs::exists(package));
}
#endif

}  // namespace
}  // namespace quibel::qpack
