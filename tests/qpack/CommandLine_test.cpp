// qpack's command line as its users meet it, on a terminal and in CI: each case one command run with stdout and
// stderr apart (stderr is a pipe here, as in a CI job), its exit code, and a pattern each stream must hold, or
// nothing.

#include <gtest/gtest.h>

#ifdef QPACK_HAS_HOST_TOOLS

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "tests/support/PackageBytes.h"
#include "tests/support/TestStub.h"

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

struct Streams {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/qpack-cl-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root_ = name;
        Write(root_ / "t" / "a.txt", std::string(3000, 'a'));
        Write(root_ / "t" / "sub" / "b.txt", "b");
        Write(root_ / "p" / "quibel.exe", "MZ");
        const std::vector<std::uint8_t> stub = testing::TestStub();
        Write(root_ / "stub.exe", std::string(stub.begin(), stub.end()));
        Write(root_ / "taken" / "sub", "a file where a directory goes");
        Write(root_ / "-dash" / "x.txt", "x");
        Write(root_ / "bidi" / "src" / "\xE2\x80\xAEtxt.exe", "x");
        Write(root_ / "shy" /
                  "a\xC2\xAD"
                  "b.txt",
              "x");
    }
    void TearDown() override { fs::remove_all(root_); }

    Streams Run(const std::string& arguments) {
        const std::string command =
            "cd '" + root_.string() + "' && " + QPACK_EXECUTABLE + " " + arguments + " >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(root_ / "out.txt"), ReadText(root_ / "err.txt")};
    }

    fs::path root_;
};

bool Holds(const std::string& text, const char* pattern) {
    return pattern == nullptr ? text.empty() : std::regex_search(text, std::regex(pattern));
}

TEST_F(CommandLineTest, EveryCaseSaysWhatHappenedOnTheRightStream) {
    const struct {
        std::string arguments;
        int exitCode;
        const char* out;  // a pattern stdout holds; nullptr: nothing on stdout
        const char* err;  // the same for stderr
    } cases[] = {
        // Values and arguments in qpack's words, the option named as typed, the usage line after.
        {"pack t -o o -j abc", 2, nullptr, "^qpack pack: error: -j: a number from 1 to 256, not \"abc\"\nusage: "},
        {"pack t --jobs -o o", 2, nullptr, "^qpack pack: error: --jobs: a number from 1 to 256, not \"-o\"\n"},
        {"pack t -o o extra", 2, nullptr, "^qpack pack: error: unexpected argument \"extra\""},
        {"pack t -o o -o o2", 2, nullptr, "^qpack pack: error: -o: given twice"},
        {"pack t", 2, nullptr, "^qpack pack: error: -o FILE is missing\nusage: qpack pack \\[OPTIONS\\] DIR -o FILE\n"},
        {"pack t -o o --jobs=300", 2, nullptr, "^qpack pack: error: --jobs: a number from 1 to 256, not \"300\"\n"},
        {"list o --from -4", 2, nullptr, "^qpack list: error: --from: a number from 0 to 2147483647, not \"-4\"\n"},
        {"list", 2, nullptr, "^qpack list: error: FILE is missing\nusage: qpack list \\[OPTIONS\\] FILE\\.\\.\\.\n"},
        {"decode a", 2, nullptr, "^qpack decode: error: decode takes BLOCK OUT or PACKAGE ENTRY OUT, not 1 argument\n"},
        {"extract a b --bogus", 2, nullptr, "^qpack extract: error: unknown option --bogus\nusage: qpack extract "},
        {"list --from", 2, nullptr, "^qpack list: error: --from: OFFSET is missing"},
        {"pack --best=yes t -o o", 2, nullptr, "^qpack pack: error: --best: takes no value"},
        {"pack -v -q t -o o", 2, nullptr, "^qpack pack: error: -v and -q contradict each other"},
        {"extract --verbose --quiet a d", 2, nullptr, "^qpack extract: error: --verbose and --quiet contradict"},
        {"pack t -o -", 2, nullptr, "^qpack pack: error: -o: \"-\" .*standard output"},
        {"list -", 2, nullptr, "^qpack list: error: FILE: \"-\" .*standard input"},
        // Words read exactly: "=" ends the option's word, its value (empty too) never taken from the next one.
        {"pack t --banner= -v -o e.maj -q", 2, nullptr, "^qpack pack: error: -v and -q contradict each other"},
        {"pack t --banner= --banner=--banner=L2 -q -o e.maj", 0, nullptr, nullptr},
        {"list e.maj", 0, "^banner: --banner=L2\n +stored", nullptr},
        {"pack t --output= -q", 2, nullptr, "^qpack pack: error: --output: FILE is empty\n"},
        {"pack t -o '' -q", 2, nullptr, "^qpack pack: error: -o: FILE is empty\n"},
        {"pack t --jobs= -o o", 2, nullptr, "^qpack pack: error: --jobs: a number from 1 to 256, not \"\"\n"},
        {"pack t -q --output=--v.maj", 0, nullptr, nullptr},
        {"list -q -- --v.maj", 0, " 2 directories, 2 files\n$", nullptr},
        {"pack t -o o --verbos", 2, nullptr,
         "^qpack pack: error: unknown option --verbos; did you mean --verbose\\?\n"},
        {"pack t -o o --bannr=x", 2, nullptr, "^qpack pack: error: unknown option --bannr; did you mean --banner\\?\n"},
        {"list --form=3 o", 2, nullptr, "^qpack list: error: unknown option --form; did you mean --from\\?\n"},
        {"list --zzzzzz o", 2, nullptr, "^qpack list: error: unknown option --zzzzzz\n"},
        {"--verison", 2, nullptr, "^qpack: error: unknown option --verison; did you mean --version\\?"},
        // What a terminal would not show as itself, in names and arguments, shown escaped.
        {"pack bidi -o b.maj", 1, nullptr, "^qpack pack: error: bidi/src/\\\\u202Etxt\\.exe: "},
        {"verify 'x\xE2\x80\x8B.maj'", 1, "^x\\\\u200B\\.maj: FAILED\n$", "^qpack verify: error: x\\\\u200B\\.maj: "},
        {"pack --banner 'a\xE2\x80\xA8"
         "b' t -o n.maj",
         1, nullptr, "^qpack pack: error: .*a\\\\u2028b"},
        {"pack -q shy -o shy.maj", 0, nullptr, nullptr},
        {"list shy.maj", 0, "  \\\\a\\\\u00ADb\\.txt\n", nullptr},
        // Help and usage answer what was asked.
        {"", 2, nullptr, "^usage: qpack COMMAND \\[OPTIONS\\] \\[ARGUMENTS\\]\n"},
        {"--help", 0, "^usage: qpack COMMAND (.*\n)*Commands:\n  pack ", nullptr},
        {"verify --help", 0, "^usage: qpack verify \\[OPTIONS\\] FILE\\.\\.\\.\n", nullptr},
        {"help pack", 0, "^usage: qpack pack \\[OPTIONS\\] DIR -o FILE\n(.*\n)*  -o, --output FILE  ", nullptr},
        {"help help", 0, "^usage: qpack help \\[COMMAND\\]\n", nullptr},
        {"help nosuch", 2, nullptr,
         "^qpack help: error: unknown command \"nosuch\"; the commands: pack, installer, list, verify, extract, "
         "decode, help, version\n"},
        {"nosuch", 2, nullptr, "^qpack: error: unknown command \"nosuch\"; the commands: pack, "},
        {"--nosuch", 2, nullptr, "^qpack: error: unknown option --nosuch; "},
        {"--version extra", 2, nullptr, "^qpack version: error: unexpected argument \"extra\""},
        {"version", 0, "^qpack 4\\.1\\.0\nstub: ", nullptr},
        {"-V", 0, "^qpack 4\\.1\\.0\n", nullptr},
        {"--version", 0, "^qpack 4\\.1\\.0\n", nullptr},
        // Results on stdout, everything else on stderr; the summary shows in CI, -q leaves it out.
        {"pack t -o o.maj", 0, nullptr, "^qpack pack: o\\.maj: 2 directories, 2 files, \\d+ bytes stored, 3001 decoded\n$"},
        {"pack -q t -o q.maj", 0, nullptr, nullptr},
        {"pack -j2 -q t -o q.maj", 0, nullptr, nullptr},
        {"pack --jobs=2 --output=q.maj -q t", 0, nullptr, nullptr},
        {"pack -q -o d.maj -- -dash", 0, nullptr, nullptr},
        {"pack -v t -o v.maj", 0, "^ +\\d+ +3000 +[0-9.]+%  \\\\a\\.txt\n", "^qpack pack: v\\.maj: 2 directories"},
        {"installer --stub stub.exe p -o setup.exe", 0, nullptr,
         "^qpack installer: setup\\.exe: 1 directory, 1 file, \\d+ bytes stored, 2 decoded; the installer \\d+ bytes\n$"},
        {"installer --stub stub.exe t -o w2.exe", 0, nullptr,
         "^qpack installer: warning: t: no quibel\\.exe at the tree's root; .*\nqpack installer: w2\\.exe: "},
        {"installer p -o n.exe", 1, nullptr,
         "^qpack installer: error: no --stub given, and the stub installed with qpack is missing: "
         ".*/share/qpack/quibel-setup-stub\\.exe\n$"},
        {"installer --warnings-as-errors --stub stub.exe t -o w.exe", 1, nullptr,
         "^qpack installer: warning: t: no quibel\\.exe(.*\n)*qpack installer: error: 1 warning, an error with "
         "--warnings-as-errors: nothing written\n$"},
        {"list o.maj", 0, "^ +stored +decoded +ratio  name\n(.*\n)* +\\d+ +3001 .*2 directories, 2 files\n$", nullptr},
        {"list -v o.maj", 0, "^ +offset +stored +decoded +ratio  name\n",
         "^qpack list: o\\.maj: scanning from offset 0"},
        {"list -q o.maj q.maj", 0, "^o\\.maj:\n +\\d+ +3001 .*\n\nq\\.maj:\n +\\d+ +3001 ", nullptr},
        {"verify o.maj q.maj", 0, "^o\\.maj: sound, 2 directories, 2 files, SHA-256 digest matches\nq\\.maj: sound, ",
         nullptr},
        {"verify o.maj nope.maj", 1, "^o\\.maj: sound, .*\nnope\\.maj: FAILED\n$",
         "^qpack verify: error: nope\\.maj: "},
        {"verify -v o.maj", 0, "\\\\sub\\\\b\\.txt\n(.*\n)*o\\.maj: sound", "^qpack verify: o\\.maj: scanning from"},
        {"extract o.maj x", 0, "^R\xC3\xA9pertoire .*/x\n",
         "^qpack extract: .*/x: 2 directories, 2 files, 3001 bytes\n$"},
        {"extract -q o.maj y", 0, nullptr, nullptr},
        {"extract -v o.maj z", 0, "^R\xC3\xA9pertoire ", "^qpack extract: o\\.maj: scanning from offset 0"},
        // Words that say what happened.
        {"pack nope -o n.maj", 1, nullptr, "^qpack pack: error: nope: no such directory\n$"},
        {"pack t -o nodir/n.maj", 1, nullptr, "^qpack pack: error: nodir/n\\.maj: cannot be created: No such file"},
        {"pack --banner 'one\ntwo' t -o n.maj", 1, nullptr, "^qpack pack: error: the banner line holds a control"},
        {"pack --banner \xE6\x97\xA5 t -o n.maj", 1, nullptr, "^qpack pack: error: the banner line has no Windows"},
        {"pack t/a.txt -o n.maj", 1, nullptr, "^qpack pack: error: t/a\\.txt: not a directory\n$"},
        {"extract -q o.maj taken", 1, nullptr,
         "^qpack extract: error: .*/taken/sub: Not a directory; the installer would stop with \"Erreur E/S "
         "183\\.\"\n$"},
        {"decode -q o.maj '\\a.txt' a.out", 0, nullptr, nullptr},
        {"decode o.maj nope.txt n.out", 1, nullptr, "^qpack decode: error: o\\.maj: no file \"nope\\.txt\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Streams run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_TRUE(Holds(run.out, c.out)) << "stdout:\n" << run.out;
        EXPECT_TRUE(Holds(run.err, c.err)) << "stderr:\n" << run.err;
        for (const char* raw : {"\xE2\x80\xAE", "\xE2\x80\x8B", "\xE2\x80\xA8", "\xC2\xAD"}) {
            EXPECT_EQ((run.out + run.err).find(raw), std::string::npos) << run.out << run.err;
        }
    }
    EXPECT_FALSE(fs::exists(root_ / "w.exe"));
    EXPECT_EQ(ReadText(root_ / "a.out"), ReadText(root_ / "t" / "a.txt"));
}

// Help is qpack's own: within 80 columns, each option's value named as in the usage line.
TEST_F(CommandLineTest, HelpFitsEightyColumns) {
    for (const char* command : {"", " pack", " installer", " list", " verify", " extract", " decode", " help"}) {
        SCOPED_TRACE(command);
        const Streams run = Run(std::string("help") + command);
        EXPECT_EQ(run.exitCode, 0);
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 80u) << line;
        }
        EXPECT_EQ(run.out.find("REQUIRED"), std::string::npos) << run.out;
    }
}

// The block each file of a package holds, as list -v shows where it lies, decodes to the file: by its path in the
// package, or by that offset.
TEST_F(CommandLineTest, DecodeTakesAFileOfAPackageByNameOrOffset) {
    ASSERT_EQ(Run("pack -q t -o o.maj").exitCode, 0);
    const Streams list = Run("list -v o.maj");
    std::smatch offset;
    ASSERT_TRUE(std::regex_search(list.out, offset, std::regex(" *(\\d+) +\\d+ +1 .*\\\\sub\\\\b\\.txt\n")))
        << list.out;
    for (const std::string& entry : {std::string("/sub/b.txt"), std::string("'\\SUB\\b.txt'"), offset[1].str()}) {
        SCOPED_TRACE(entry);
        fs::remove(root_ / "b.out");
        const Streams decode = Run("decode o.maj " + entry + " b.out");
        EXPECT_EQ(decode.exitCode, 0) << decode.err;
        EXPECT_EQ(ReadText(root_ / "b.out"), "b");
    }
}

// The listing for programs: one line per entry, each name escaped so that the escapes can be undone and two names
// never print alike, whatever a hostile package holds.
TEST_F(CommandLineTest, TheListingForProgramsEscapesEveryName) {
    testing::PackageBytes package;
    package.Header({"banner"}).Directory("");
    for (const char* name : {"a\tb", "a\nb", "a\\tb", "a/b",
                             "a\xAD"
                             "b",
                             "a\x81", "\xE9t\xE9"}) {
        package.File(name, {'x'});
    }
    package.Directory("\\d\t").File("x", {});
    const std::string bytes(package.bytes.begin(), package.bytes.end());
    Write(root_ / "h.maj", bytes);
    const Streams names = Run("list --names h.maj");
    EXPECT_EQ(names.out,
              "/\n/a\\tb\n/a\\nb\n/a\\\\tb\n/a\\/b\n/a\\u00ADb\n/a\\u0081\n/\xC3\xA9t\xC3\xA9\n/d\\t/\n/d\\t/x\n");
    const Streams tabs = Run("list --tabs h.maj");
    std::istringstream lines(tabs.out);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "/\tdirectory\t0\t0\t-");
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_TRUE(std::regex_match(line, std::regex("/a\\\\tb\tfile\t\\d+\t1\t\\d+"))) << line;
    EXPECT_EQ(std::count(tabs.out.begin(), tabs.out.end(), '\n'), 10);
    EXPECT_EQ(std::count(tabs.out.begin(), tabs.out.end(), '\t'), 40);
}

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Runs qpack with the arguments in dir and kills it (SIGKILL) after delay; the time it ran.
std::chrono::duration<double> RunKilled(const fs::path& dir,
                                        std::vector<std::string> arguments,
                                        std::chrono::duration<double> delay) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        arguments.insert(arguments.begin(), QPACK_EXECUTABLE);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (chdir(dir.c_str()) == 0) {
            execv(QPACK_EXECUTABLE, argv.data());
        }
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start >= delay) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return std::chrono::steady_clock::now() - start;
}

// A killed pack, installer or decode (a CI job's timeout) leaves nothing beside what was there, on tmpfs and on
// the disk's own file system: only the whole output, when it had its name before the kill. (A kill between
// naming the finished file beside the output and the rename leaves that hidden name, for the next run to remove.)
TEST_F(CommandLineTest, KilledAtAnyMomentLeavesOnlyWhatWasThere) {
    std::mt19937 random(28);
    std::string big(2 << 20, '\0');
    for (char& c : big) {
        c = static_cast<char>('a' + random() % 4);
    }
    Write(root_ / "big" / "big.bin", big);
    ASSERT_EQ(Run("pack -q big -o big.maj").exitCode, 0);
    const std::string tree = (root_ / "big").string();
    const std::string stub = (root_ / "stub.exe").string();
    const std::string package = (root_ / "big.maj").string();
    const std::vector<std::vector<std::string>> commands = {
        {"pack", "-q", tree, "-o", "out"},
        {"installer", "-q", "--stub", stub, tree, "-o", "out"},
        {"decode", "-q", package, "\\big.bin", "out"},
    };
    std::vector<fs::path> places = {root_ / "disk"};
    if (fs::is_directory("/dev/shm")) {
        places.push_back(fs::path("/dev/shm") / root_.filename());
    }
    for (const fs::path& place : places) {
        fs::create_directories(place);
        std::ofstream(place / "before.txt") << "there before";
        const std::set<std::string> before = Names(place);
        for (const auto& command : commands) {
            SCOPED_TRACE(place.string() + ": " + command.front());
            const auto whole = RunKilled(place, command, std::chrono::seconds(60));
            const std::string expected = ReadText(place / "out");
            ASSERT_FALSE(expected.empty());
            fs::remove(place / "out");
            std::uniform_real_distribution<double> moment(0, whole.count() * 1.2);
            for (int run = 0; run < 10; ++run) {
                RunKilled(place, command, std::chrono::duration<double>(moment(random)));
                std::set<std::string> after = Names(place);
                if (after.erase("out") == 1) {
                    EXPECT_EQ(ReadText(place / "out"), expected) << "a partial output under the output's name";
                    fs::remove(place / "out");
                }
                std::erase_if(after, [](const std::string& name) {
                    return std::regex_match(name, std::regex("\\.out\\.qpack-[0-9a-f]{16}"));
                });
                EXPECT_EQ(after, before);
            }
        }
        RunKilled(place, commands.front(), std::chrono::seconds(60));
        std::set<std::string> cleaned = before;
        cleaned.insert("out");
        EXPECT_EQ(Names(place), cleaned) << "the next run leaves only its output";
        fs::remove_all(place);
    }
}

}  // namespace
}  // namespace quibel::qpack

#endif
