// The tree scan before packing: every problem of a tree found in one run and reported in tree order, links
// followed on request (as tar -h does) with loops and dangling links refused, and the product program looked for.

#include "tools/qpack/TreeScanner.h"

#include <gtest/gtest.h>

#include <algorithm>
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
struct ToolRun {
    int exitCode;
    std::string output;  // stdout and stderr
};

ToolRun RunQpack(const std::string& arguments) {
    std::FILE* pipe = popen((std::string(QPACK_EXECUTABLE) + " " + arguments + " 2>&1").c_str(), "r");
    ToolRun run{-1, {}};
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// pack and installer refuse the whole tree in one run, one error line per problem, and write nothing; with
// --follow-links they pack what links lead to.
TEST_F(TreeScannerTest, TheToolReportsEveryProblemOrFollowsLinks) {
    struct Case {
        const char* name;
        std::string command;  // before the tree's path
        std::function<void(const fs::path&)> make;
        int exitCode;
        Expected lines;  // in order; on failure every line is an error of the command
    };
    const std::string stub = "--stub '" + (root_ / "stub.exe").string() + "' ";
    const auto badNames = [](const fs::path& t) {
        Write(t / "a:b.txt", "");
        Write(t / "d" / "CON", "");
        Write(t / "d" / "e" / "trail.", "");
    };
    const Expected badNamesReport = {{"a:b.txt", "forbids"}, {"CON", "device"}, {"trail.", "dot"}};
    const std::vector<Case> cases = {
        {"pack, several bad names", "pack", badNames, 1, badNamesReport},
        {"installer, several bad names", "installer " + stub, badNames, 1, badNamesReport},
        {"more than 100",
         "pack",
         [](const fs::path& t) {
             for (int i = 0; i < 105; ++i) {
                 Write(t / ("bad:" + std::to_string(100 + i)), "");
             }
         },
         1,
         {{"bad:100", "forbids"}, {"bad:199", "forbids"}, {"error: and 5 more problems", ""}}},
        {"link to a directory followed",
         "pack --follow-links",
         [](const fs::path& t) {
             Write(t.parent_path() / "lib" / "x.txt", "x");
             fs::create_directory_symlink("../lib", t / "lib");
         },
         0,
         {}},
        {"loop refused",
         "pack --follow-links",
         [](const fs::path& t) {
             fs::create_directories(t / "d");
             fs::create_directory_symlink("..", t / "d" / "up");
         },
         1,
         {{"d/up", "loops back"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_);
        fs::create_directories(root_ / "tree");
        std::string pe(1001, '\0');
        pe.replace(0, 2, "MZ");
        pe[0x3C] = 0x40;
        pe.replace(0x40, 2, "PE");
        Write(root_ / "stub.exe", pe);
        c.make(root_ / "tree");
        const fs::path package = root_ / "p.maj";
        const ToolRun run = RunQpack(c.command + " '" + (root_ / "tree").string() + "' -o '" + package.string() + "'");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        ExpectInOrder(run.output, c.lines);
        EXPECT_EQ(fs::exists(package), c.exitCode == 0);
        if (c.exitCode != 0) {
            const std::string prefix = "qpack " + c.command.substr(0, c.command.find(' ')) + ": error: ";
            for (std::size_t at = 0; at < run.output.size(); at = run.output.find('\n', at) + 1) {
                EXPECT_EQ(run.output.compare(at, prefix.size(), prefix), 0) << run.output.substr(at);
            }
            EXPECT_LE(std::count(run.output.begin(), run.output.end(), '\n'), 101);
        } else {
            const ToolRun list = RunQpack("list '" + package.string() + "'");
            ExpectInOrder(list.output, {{"\\lib\\", ""}, {"x.txt", ""}});
        }
    }
}
#endif

}  // namespace
}  // namespace quibel::qpack
