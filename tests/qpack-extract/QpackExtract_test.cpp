// qpack decode and qpack extract as a user runs them: exit codes, what lands on disk, and the log on stdout.

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "tests/support/BitWriter.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/TestStub.h"

namespace quibel {
namespace {

namespace fs = std::filesystem;
using testing::BytesOf;
using testing::PackageBytes;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class QpackCommand : public ::testing::Test {
  protected:
    // A folder of the run's own: two checkouts may run the suite at once.
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "qpack-cli-").string() +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-XXXXXX";
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        dir_ = name;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome Run(const std::string& arguments, const fs::path& workingDirectory = {}) {
        const std::string cd = workingDirectory.empty() ? "" : "cd '" + workingDirectory.string() + "' && ";
        const std::string command = cd + "timeout 20 " + std::string(QPACK_PATH) + " " + arguments + " >" +
                                    (dir_ / "stdout.txt").string() + " 2>" + (dir_ / "stderr.txt").string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_ / "stdout.txt"),
                ReadText(dir_ / "stderr.txt")};
    }
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(QpackCommand, ExtractPrintsTheInstallersLogInUtf8) {
    PackageBytes package;
    package.Header({"Quibel"})
        .Directory("")
        .File("a.txt", BytesOf("alpha"))
        .Directory("\\données")
        .File("été.txt", BytesOf("x"));
    Write("p.maj", package.bytes);
    const Outcome outcome = Run("extract " + P("p.maj") + " " + P("out/tree/"));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string base = P("out/tree");
    const auto blockLength = [](const char* text) {
        return std::to_string(testing::LiteralBlock(BytesOf(text)).size() + 4);
    };
    // The expected text is written in UTF-8 bytes, as the terminal receives it.
    const std::string expected = "R\xC3\xA9pertoire " + base + "\n" + "Fichier " + base +
                                 "/a.txt taille :" + blockLength("alpha") + "->5\n" + "R\xC3\xA9pertoire " + base +
                                 "/donn\xC3\xA9" + "es\n" + "Fichier " + base + "/donn\xC3\xA9" +
                                 "es/\xC3\xA9t\xC3\xA9.txt taille :" + blockLength("x") + "->1\n";
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(ReadText(dir_ / "out/tree/a.txt"), "alpha");
    EXPECT_EQ(ReadText(dir_ / "out/tree/donn\xC3\xA9"
                              "es/\xC3\xA9t\xC3\xA9.txt"),
              "x");
}

// An installer's stub may hold a marker before 400000: a PE executable is scanned from there unless --from says
// otherwise, and -v notes it; -q leaves out the log's lines.
TEST_F(QpackCommand, ExtractFromAnInstallerOffset) {
    PackageBytes installer;
    installer.Zeros(400000).Header().Directory("").File("quibel.exe", BytesOf("MZ"));
    for (const auto& [at, byte] : std::map<std::size_t, std::uint8_t>{{0, 'M'},
                                                                      {1, 'Z'},
                                                                      {0x3C, 0x40},
                                                                      {0x40, 'P'},
                                                                      {0x41, 'E'},
                                                                      {1000, 'E'},
                                                                      {1001, 'T'},
                                                                      {1002, 'E'},
                                                                      {1003, 'T'},
                                                                      {1004, 'E'},
                                                                      {1005, 'T'},
                                                                      {1006, 'E'},
                                                                      {1007, 'T'}}) {
        installer.bytes[at] = byte;  // a PE signature, and a decoy marker in the stub
    }
    Write("setup.exe", installer.bytes);
    const struct {
        std::string options;
        std::string note;
        bool extracted;
        bool logged;
    } cases[] = {{" -v", "scanning from offset 400000", true, true},
                 {" --from 400000 -q", "", true, false},
                 {" --from 0", "", false, false}};  // the decoy: an empty tree
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        fs::remove_all(dir_ / "q");
        const Outcome outcome = Run("extract " + P("setup.exe") + " " + P("q") + c.options);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NE(outcome.err.find(c.note), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("scanning") != std::string::npos, !c.note.empty()) << outcome.err;
        EXPECT_EQ(ReadText(dir_ / "q/quibel.exe") == "MZ", c.extracted);
        EXPECT_EQ(outcome.out.find("quibel.exe") != std::string::npos, c.logged) << outcome.out;
    }
}

// A file without a payload is a failure of extract (the installer goes on quietly), and nothing is created.
TEST_F(QpackCommand, ExtractWithoutAPayloadFailsAndCreatesNothing) {
    PackageBytes installer;
    installer.Zeros(400000).Header().Directory("").File("quibel.exe", BytesOf("MZ"));
    Write("setup.exe", installer.bytes);
    Write("passwd", BytesOf("root:x:0:0:root:/root:/bin/bash\n"));
    const std::pair<std::string, std::string> cases[] = {
        {"passwd", ""}, {"setup.exe", " --from 400002"}, {"setup.exe", " --from 900000"}};
    for (const auto& [file, from] : cases) {
        const Outcome outcome = Run("extract " + P(file) + " " + P("r/s") + from);
        EXPECT_EQ(outcome.exitCode, 1) << file << from;
        EXPECT_NE(outcome.err.find("not a Quibel package or installer"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find(P(file)), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_FALSE(fs::exists(dir_ / "r"));
    }
}

std::set<std::string> TreeBelow(const fs::path& root);

TEST_F(QpackCommand, ExtractFailuresShowTheFailureText) {
    PackageBytes package;
    package.Header().Directory("").File("a", BytesOf("1")).Directory("\\d\\e");
    Write("p.maj", package.bytes);
    const Outcome outcome = Run("extract " + P("p.maj") + " " + P("t"));
    EXPECT_EQ(outcome.exitCode, 1);
    // The missing level's path and the system's reason, then the installer's own failure text.
    EXPECT_EQ(outcome.err, "qpack extract: error: " + P("t") +
                               "/d: No such file or directory; the installer would stop with \"Nom de fichier "
                               "incorrect.\"\n");
    // The lines logged before the failure are printed, the failing directory's line last.
    EXPECT_NE(outcome.out.find("Fichier " + P("t") + "/a taille :"), std::string::npos);
    EXPECT_NE(outcome.out.find("pertoire " + P("t") + "/d/e\n"), std::string::npos);

    // A block that does not decode leaves no file, although extract writes files as their blocks decode.
    PackageBytes corrupt;
    corrupt.Header().Directory("").File("good", BytesOf("1")).FileWithBlock("bad", {1, 0, 0, 0, 0x00, 0x01, 0x09});
    Write("c.maj", corrupt.bytes);
    const Outcome damaged = Run("extract " + P("c.maj") + " " + P("c"));
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("Compressed file is corrupt."), std::string::npos) << damaged.err;
    EXPECT_EQ(TreeBelow(dir_ / "c"), std::set<std::string>{"good"});
    // Over an earlier extraction the old file stays as it was, and nothing else is left.
    std::ofstream(dir_ / "c" / "bad") << "old";
    EXPECT_EQ(Run("extract " + P("c.maj") + " " + P("c")).exitCode, 1);
    EXPECT_EQ(TreeBelow(dir_ / "c"), (std::set<std::string>{"bad", "good"}));
    EXPECT_EQ(ReadText(dir_ / "c" / "bad"), "old");

    const Outcome missing = Run("extract " + P("absent.maj") + " " + P("t"));
    EXPECT_EQ(missing.exitCode, 1);
    // The package is read as the walk reaches it, not loaded by the installer's file calls: qpack's own message.
    EXPECT_EQ(missing.err,
              "qpack extract: error: " + P("absent.maj") + ": cannot be read: No such file or directory\n");
}

// A block of a few dozen bytes that decodes to mebibytes MiB of zeros: segments of 65,536 matches of 256 bytes at
// distance 1, from one-symbol code sets whose symbols take no bits.
std::vector<std::uint8_t> LongZeroBlock(int mebibytes) {
    testing::BitWriter bits;
    for (int segment = 0; segment < mebibytes / 16; ++segment) {
        bits.Put(0, 16).Put(0, 5).Put(0, 5).Put(0, 9).Put(256 + 253, 9).Put(0, 4).Put(0, 4);
    }
    const std::uint32_t size = static_cast<std::uint32_t>(mebibytes) << 20;
    std::vector<std::uint8_t> block = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                       static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    const auto stream = bits.Bytes();
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

// Every path below root, as text relative to it.
std::set<std::string> TreeBelow(const fs::path& root) {
    std::set<std::string> paths;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        paths.insert(fs::relative(item.path(), root).string());
    }
    return paths;
}

// A base that ends in "." used to glue an entry "." into "..": the files landed in the parent. The base is now
// made absolute and normal, so nothing lands outside it, or, with --as-installer, beside it in a directory whose
// name begins with its own (the glued form of a name without "\").
TEST_F(QpackCommand, ExtractionBasesEndingInDotsStayConfined) {
    const std::pair<const char*, const char*> bases[] = {{".", "w"}, {"./", "w"}, {"X/.", "w/X"}};
    for (const char* entry : {".", "./x", "-sibling"}) {
        PackageBytes package;
        package.Header().Directory("").Directory(entry).File("pwn.txt", BytesOf("pwn"));
        Write("p.maj", package.bytes);
        for (const auto& [base, normal] : bases) {
            SCOPED_TRACE(std::string(base) + " + " + entry);
            const fs::path sandbox = dir_ / "s";
            fs::remove_all(sandbox);
            fs::create_directories(sandbox / "w");
            const Outcome outcome = Run("extract --as-installer " + P("p.maj") + " " + base, sandbox / "w");
            EXPECT_EQ(outcome.out.substr(0, outcome.out.find('\n')),
                      "R\xC3\xA9pertoire " + (sandbox / normal).string());
            const fs::path parent = (sandbox / normal).parent_path();
            const std::string baseName = fs::path(normal).filename().string();
            for (const std::string& path : TreeBelow(sandbox)) {
                const std::string below = fs::relative(sandbox / path, parent).string();
                const bool inside = below != "." && below.rfind("..", 0) != 0 && below.rfind(baseName, 0) == 0;
                const bool above = fs::path(normal).string().rfind(path, 0) == 0;  // the base's own ancestors
                EXPECT_TRUE(inside || above) << path << "\n" << outcome.out << outcome.err;
            }
        }
    }
}

// Links standing in the target: a link at a directory's name is refused, naming it; a link or a second name at a
// file's name is replaced, the name alone. Nothing is written through either.
TEST_F(QpackCommand, ExtractWritesNothingThroughLinks) {
    struct Case {
        const char* what;
        const char* link;    // below the target
        const char* points;  // below "outside"
        bool hard;
        PackageBytes package;
        bool refused;
    };
    PackageBytes root;
    root.Header().Directory("");
    std::vector<Case> cases = {
        {"directory link", "linkdir", "", false,
         PackageBytes(root).Directory("\\linkdir").File("pwn.txt", BytesOf("x")), true},
        {"link on the way", "a/l", "", false, PackageBytes(root).Directory("\\a").Directory("\\a\\l\\b"), true},
        {"dangling directory link", "dd", "new", false, PackageBytes(root).Directory("\\dd"), true},
        {"file link", "f.txt", "victim.txt", false, PackageBytes(root).File("f.txt", BytesOf("x")), false},
        {"dangling file link", "d.txt", "created.txt", false, PackageBytes(root).File("d.txt", BytesOf("x")), false},
        {"hard link", "h.txt", "victim.txt", true, PackageBytes(root).File("h.txt", BytesOf("x")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = dir_ / "target";
        const fs::path outside = dir_ / "outside";
        fs::remove_all(target);
        fs::remove_all(outside);
        fs::create_directories(outside / "b");
        fs::create_directories(target / "a");
        std::ofstream(outside / "victim.txt") << "victim";
        if (c.hard) {
            fs::create_hard_link(outside / c.points, target / c.link);
        } else {
            fs::create_symlink(outside / c.points, target / c.link);
        }
        Write("p.maj", c.package.bytes);
        const std::set<std::string> before = TreeBelow(outside);
        const Outcome outcome = Run("extract " + P("p.maj") + " " + P("target"));
        EXPECT_EQ(outcome.exitCode, c.refused ? 1 : 0) << outcome.out << outcome.err;
        EXPECT_EQ(outcome.err.find("\"" + (target / c.link).string() + "\" is a symbolic link") != std::string::npos,
                  c.refused)
            << outcome.err;
        EXPECT_EQ(TreeBelow(outside), before);
        EXPECT_EQ(ReadText(outside / "victim.txt"), "victim");
        EXPECT_EQ(fs::is_symlink(target / c.link), c.refused);
        if (!c.refused) {
            EXPECT_EQ(ReadText(target / c.link), "x");  // the new file in the link's place
        }
    }
}

// SIGKILL while a large file is written over an old one: the old file stays, and no other name is left beside it.
TEST_F(QpackCommand, AKilledExtractLeavesTheOldFileAndNoOtherName) {
    PackageBytes package;
    package.Header().Directory("").FileWithBlock("big.bin", LongZeroBlock(2032));
    Write("p.maj", package.bytes);
    fs::create_directories(dir_ / "t");
    std::ofstream(dir_ / "t" / "big.bin") << "old";
    const std::string command =
        "timeout -s KILL 0.5 " + std::string(QPACK_PATH) + " extract " + P("p.maj") + " " + P("t") + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + SIGKILL) << "extract ended before the kill";
    EXPECT_EQ(TreeBelow(dir_ / "t"), std::set<std::string>{"big.bin"});
    ASSERT_EQ(fs::file_size(dir_ / "t" / "big.bin"), 3u);
    EXPECT_EQ(ReadText(dir_ / "t" / "big.bin"), "old");
}

// A directory name without its leading "\" lands beside DIR: extract names every such entry and writes nothing,
// or with --as-installer writes them there as the installer does, naming each.
TEST_F(QpackCommand, EntriesOutsideTheDirectoryAreNamed) {
    PackageBytes package;
    package.Header().Directory("").File("in.txt", BytesOf("1")).Directory("-old").File("out.txt", BytesOf("2"));
    package.Directory("\\back").File("in2.txt", BytesOf("3"));
    Write("p.maj", package.bytes);
    const struct {
        const char* option;
        int exitCode;
        const char* kind;
        std::set<std::string> written;
    } cases[] = {
        {"", 1, "error: ", {"w"}},
        {"--as-installer ", 0, "warning: ", {"w", "w/in.txt", "w-old", "w-old/out.txt", "w/back", "w/back/in2.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        fs::remove_all(dir_ / "s");
        fs::create_directories(dir_ / "s" / "w");
        const Outcome outcome = Run(std::string("extract ") + c.option + P("p.maj") + " " + P("s/w"));
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
        for (const std::string& named : {P("s/w-old"), P("s/w-old/out.txt")}) {
            EXPECT_NE(outcome.err.find(std::string("qpack extract: ") + c.kind + named + ": "), std::string::npos)
                << outcome.err;
        }
        EXPECT_EQ(outcome.err.find(P("s/w/")), std::string::npos) << outcome.err;
        EXPECT_EQ(TreeBelow(dir_ / "s"), c.written);
    }
}

// Control characters in names, link targets, banner lines and arguments reach neither the log nor the terminal
// raw, whichever command prints them.
TEST_F(QpackCommand, ControlCharactersAreShownEscaped) {
    const fs::path tree = dir_ / "tree";
    fs::create_directories(tree);
    std::ofstream(tree / "a\x1B]0;title\x07") << "x";
    fs::create_symlink("nowhere\nqpack pack: FAKE", tree / "l");
    const std::vector<std::uint8_t> stub = quibel::testing::TestStub();
    std::ofstream(dir_ / "stub.exe", std::ios::binary)
        .write(reinterpret_cast<const char*>(stub.data()), static_cast<std::streamsize>(stub.size()));
    PackageBytes package;
    package
        .Header({"\x1B]0;title\x07"
                 "banner"})
        .Directory("")
        .Directory("\\x\nFichier FAKE\r")
        .File(
            "a\x1B"
            "[2Jb",
            BytesOf("x"));
    Write("p.maj", package.bytes);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"extract " + P("p.maj") + " " + P("t"), {"pertoire " + P("t") + "/x\\nFichier FAKE\\u000D\n"}},
        {"list " + P("p.maj"),
         {"banner: \\u001B]0;title\\u0007banner\n", "\\x\\nFichier FAKE\\u000D\\\n",
          "\\x\\nFichier FAKE\\u000D\\a\\u001B[2Jb\n"}},
        {"verify " + P("p.maj"), {"file \"a\\u001B[2Jb\"", "directory \"\\x\\nFichier FAKE\\u000D\""}},
        {"pack --follow-links " + P("tree") + " -o " + P("o"),
         {"/tree/a\\u001B]0;title\\u0007: ", "nowhere\\nqpack pack: FAKE"}},
        {"installer --follow-links --stub " + P("stub.exe") + " " + P("tree") + " -o " + P("o"),
         {"/tree/a\\u001B]0;title\\u0007: ", "nowhere\\nqpack pack: FAKE"}},
        {"decode '" + P("b\x1B[2J") + "' " + P("o"), {"/b\\u001B[2J"}},
        {"'\x1B[2J'", {"unknown command \"\\u001B[2J\""}},
    };
    for (const auto& [command, shown] : cases) {
        const Outcome outcome = Run(command);
        for (const std::string& text : shown) {
            EXPECT_NE((outcome.out + outcome.err).find(text), std::string::npos) << command << "\n" << outcome.out;
        }
        for (const char c : outcome.out + outcome.err) {
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << command << ": " << int(c);
        }
    }
}

// Directories, FIFOs and devices given as input are refused at once (a FIFO used to hang list and extract).
TEST_F(QpackCommand, InputsThatAreNoRegularFilesAreRefused) {
    fs::create_directories(dir_ / "folder");
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_directories(dir_ / "tree");
    const std::pair<std::string, const char*> inputs[] = {
        {P("folder"), "a directory"}, {P("fifo"), "a FIFO"}, {"/dev/zero", "a device"}};
    for (const auto& [input, kind] : inputs) {
        for (const std::string& command :
             {"list " + input, "verify " + input, "extract " + input + " " + P("out"),
              "decode " + input + " " + P("out"), "installer --stub " + input + " " + P("tree") + " -o " + P("out")}) {
            const Outcome outcome = Run(command);
            EXPECT_EQ(outcome.exitCode, 1) << command;
            EXPECT_NE(outcome.err.find(input + ": " + kind + ", not a file"), std::string::npos) << command << "\n"
                                                                                                 << outcome.err;
            EXPECT_FALSE(fs::exists(dir_ / "out")) << command;
        }
    }
}

TEST_F(QpackCommand, UsageErrors) {
    for (const char* arguments : {"", "frobnicate", "extract onlyone", "extract a b --from", "extract a b --from -4",
                                  "decode a", "decode a b c d"}) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments;
        EXPECT_NE(outcome.err.find("usage"), std::string::npos) << arguments;
    }
    EXPECT_EQ(Run("--help").exitCode, 0);
    EXPECT_EQ(Run("extract --help").exitCode, 0);
}

TEST_F(QpackCommand, DecodeWritesTheContentOrNothing) {
    const std::vector<std::uint8_t> block = testing::LiteralBlock(BytesOf("bonjour"));
    Write("good.blk", block);
    EXPECT_EQ(Run("decode " + P("good.blk") + " " + P("good.out")).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "good.out"), "bonjour");

    Write("bad.blk", {1, 0, 0, 0, 0x00, 0x01, 0x09});  // a length-code list that is no complete code
    const Outcome outcome = Run("decode " + P("bad.blk") + " " + P("bad.out"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("Compressed file is corrupt."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "bad.out"));

    const Outcome over = Run("decode " + P("good.blk") + " " + P("./good.blk"));
    EXPECT_EQ(over.exitCode, 1);
    EXPECT_NE(over.err.find(P("./good.blk") + ": the output would replace the block file"), std::string::npos)
        << over.err;
    EXPECT_EQ(ReadText(dir_ / "good.blk"), std::string(block.begin(), block.end()));
}

}  // namespace
}  // namespace quibel
