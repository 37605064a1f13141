// What qpack writes appears whole or not at all, whatever ends it: a reader of stdout gone (SIGPIPE), a file size
// limit (SIGXFSZ), closed standard streams; and a listing or log that cannot be written to stdout fails the
// command.

#include <gtest/gtest.h>

#ifdef QPACK_HAS_HOST_TOOLS

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "tests/support/ToolRun.h"

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

class StandardStreamsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("qpack-streams-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "tree");
        std::mt19937 random(3);
        std::string noise(200000, '\0');
        for (char& c : noise) {
            c = static_cast<char>(random());
        }
        std::ofstream(root_ / "tree" / "noise.bin", std::ios::binary) << noise;
        std::ofstream(root_ / "tree" / "small.txt") << "small";
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs qpack with arguments after preparing the child process; its wait status.
    int Run(const std::function<void()>& prepare, const std::vector<std::string>& arguments) {
        const pid_t child = fork();
        if (child == 0) {
            prepare();
            std::vector<char*> argv = {const_cast<char*>("qpack")};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(QPACK_EXECUTABLE, argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    // Files beside the output: the output and its temporary files, if any.
    std::vector<std::string> OutputsIn(const fs::path& directory) {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(directory)) {
            if (item.path().filename() != "tree") {
                names.push_back(item.path().filename().string());
            }
        }
        return names;
    }

    fs::path root_;
};

void StdoutWithoutReader() {
    int ends[2];
    if (pipe(ends) != 0) {
        _exit(126);
    }
    close(ends[0]);
    dup2(ends[1], STDOUT_FILENO);
}

void SizeLimit() {
    const rlimit limit{50000, 50000};
    setrlimit(RLIMIT_FSIZE, &limit);
}

TEST_F(StandardStreamsTest, OutputsAreWholeOrAbsentWhateverEndsTheCommand) {
    std::ofstream(root_ / "block") << std::string("\x40\x0D\x03\x00", 4);  // decoded size 200,000, no bits: zeros
    const std::string out = (root_ / "out").string();
    const std::string tree = (root_ / "tree").string();
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        int signal;  // that ends it; 0: it ends normally
    } cases[] = {
        {"pack -v, the reader of stdout gone", StdoutWithoutReader, {"pack", "-v", tree, "-o", out}, SIGPIPE},
        {"pack at a file size limit", SizeLimit, {"pack", tree, "-o", out}, SIGXFSZ},
        {"decode at a file size limit", SizeLimit, {"decode", (root_ / "block").string(), out}, SIGXFSZ},
        {"pack -v with stdout closed", [] { close(STDOUT_FILENO); }, {"pack", "-v", tree, "-o", out}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(root_ / "out");
        const int status = Run(c.prepare, c.arguments);
        if (c.signal != 0) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
            EXPECT_EQ(OutputsIn(root_), std::vector<std::string>{"block"});
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        // The package alone: no listing line went into it.
        const testing::ToolRun verify = testing::RunTool(std::string(QPACK_EXECUTABLE) + " verify " + out);
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
    }
}

TEST_F(StandardStreamsTest, AListingThatCannotBeWrittenFailsTheCommand) {
    const std::string tree = (root_ / "tree").string();
    const std::string package = (root_ / "p.maj").string();
    ASSERT_EQ(testing::RunTool(std::string(QPACK_EXECUTABLE) + " pack " + tree + " -o " + package).exitCode, 0);
    const struct {
        std::string arguments;
        std::string command;
    } cases[] = {
        {"list " + package, "list"},
        {"extract " + package + " " + (root_ / "x").string(), "extract"},
        {"pack -v " + tree + " -o " + (root_ / "q.maj").string(), "pack"},
        {"--version", "version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const testing::ToolRun run =
            testing::RunTool("{ " + std::string(QPACK_EXECUTABLE) + " " + c.arguments + " >/dev/full; }");
        EXPECT_EQ(run.exitCode, 1) << run.output;
        const std::string prefix = "qpack " + c.command + ": ";
        EXPECT_NE(run.output.find(prefix + "error: standard output: No space left on device"), std::string::npos)
            << run.output;
    }
    EXPECT_FALSE(fs::exists(root_ / "q.maj"));
}

}  // namespace
}  // namespace quibel::qpack

#endif
