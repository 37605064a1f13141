// The qpack tool as its users run it: pack, installer, list, verify and extract on real directory trees, and the
// refusals of bad input (exit code 1, a message naming the path, no output file left behind).

#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "payload/PackageFormat.h"

#ifdef QPACK_HAS_HOST_TOOLS

#include "tests/support/PackageBuilder.h"
#include "tests/support/TestStub.h"
#include "tests/support/ToolRun.h"

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using testing::ToolRun;

ToolRun RunQpack(const std::string& arguments) {
    return testing::RunTool(std::string(QPACK_EXECUTABLE) + " " + arguments);
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Test sources are compiled to Windows-1252; host file names and the tool's output are UTF-8.
std::string U8(const char8_t* text) {
    return std::string(reinterpret_cast<const char*>(text));
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class PackCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / ("qpack-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // A small product tree: accented names, mixed letter case, an empty file, an empty directory, nesting.
    fs::path MakeTree() {
        const fs::path tree = root_ / "tree";
        std::mt19937 random(1);
        Bytes noise(20000);
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(random());
        }
        std::string text;
        for (int i = 0; i < 3000; ++i) {
            text += "ligne " + std::to_string(i % 97) + " du fichier\n";
        }
        WriteFile(tree / "b.txt", Text(text));
        WriteFile(tree / "A.txt", Text("a"));
        WriteFile(tree / "vide.txt", {});
        WriteFile(tree / fs::path(u8"Données") / fs::path(u8"Résumé.txt"), Text(text.substr(0, 8193)));
        WriteFile(tree / fs::path(u8"Données") / "bruit.bin", noise);
        WriteFile(tree / fs::path(u8"données2") / "z" / "profond.txt", Text("fond"));
        WriteFile(tree / "Aide" / "x.txt", Text("x"));
        fs::create_directories(tree / fs::path(u8"Données") / "Sons");
        return tree;
    }

    // The smallest program that passes for the installer (see TestStub.h).
    Bytes WriteStub() {
        const Bytes stub = testing::TestStub();
        WriteFile(root_ / "stub.exe", stub);
        return stub;
    }

    fs::path root_;
};

TEST_F(PackCommandTest, PackedTreeVerifiesAndExtractsByteExact) {
    const fs::path tree = MakeTree();
    const fs::path package = root_ / "p.maj";
    const ToolRun pack = RunQpack("pack " + Quoted(tree) + " -o " + Quoted(package) + " --banner 'Quibel 4.1'");
    ASSERT_EQ(pack.exitCode, 0) << pack.output;
    const Bytes bytes = ReadFile(package);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "ETETETET");

    const ToolRun verify = RunQpack("verify " + Quoted(package));
    EXPECT_EQ(verify.exitCode, 0) << verify.output;

    const ToolRun extract = RunQpack("extract " + Quoted(package) + " " + Quoted(root_ / "out"));
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
        const fs::path copy = root_ / "out" / fs::relative(item.path(), tree);
        if (item.is_directory()) {
            EXPECT_TRUE(fs::is_directory(copy)) << copy;
        } else {
            EXPECT_EQ(ReadFile(copy), ReadFile(item.path())) << copy;
        }
    }

    // Canonical order: directories in pre-order by upper-cased name, each followed by its own files.
    const ToolRun list = RunQpack("list " + Quoted(package));
    ASSERT_EQ(list.exitCode, 0) << list.output;
    const std::vector<std::string> order = {"banner: Quibel 4.1",
                                            "A.txt",
                                            "b.txt",
                                            "vide.txt",
                                            "\\Aide\\",
                                            "x.txt",
                                            U8(u8"\\Données\\"),
                                            "bruit.bin",
                                            U8(u8"Résumé.txt"),
                                            U8(u8"\\Données\\Sons\\"),
                                            U8(u8"\\données2\\"),
                                            U8(u8"\\données2\\z\\"),
                                            "profond.txt"};
    std::size_t at = 0;
    for (const std::string& name : order) {
        const std::size_t found = list.output.find(name, at);
        ASSERT_NE(found, std::string::npos) << name << " missing or out of order in\n" << list.output;
        at = found + name.size();
    }
}

// A package changed after it was made is damage: verify says so and extract refuses it before creating anything.
// A package without a digest record (an older qpack) is checked for its structure only.
TEST_F(PackCommandTest, ADamagedPackageIsRefusedBeforeAnythingIsCreated) {
    const fs::path tree = MakeTree();
    const fs::path package = root_ / "p.maj";
    ASSERT_EQ(RunQpack("pack " + Quoted(tree) + " -o " + Quoted(package)).exitCode, 0);
    const Bytes sound = ReadFile(package);
    Bytes changed = sound;
    changed[sound.size() / 2] ^= 0x01;
    const struct {
        const char* name;
        Bytes file;
        int exitCode;
        const char* verified;  // a part of verify's output
    } cases[] = {
        {"as packed", sound, 0, ", SHA-256 digest matches\n"},
        {"a byte changed", changed, 1, "p.maj: damaged: the SHA-256 of the"},
        {"without its record", Bytes(sound.begin(), sound.end() - 96), 0, ", no digest: structure only\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(package, c.file);
        const ToolRun verify = RunQpack("verify " + Quoted(package));
        EXPECT_EQ(verify.exitCode, c.exitCode) << verify.output;
        EXPECT_NE(verify.output.find(c.verified), std::string::npos) << verify.output;
        fs::remove_all(root_ / "out");
        const ToolRun extract = RunQpack("extract -q " + Quoted(package) + " " + Quoted(root_ / "out"));
        EXPECT_EQ(extract.exitCode, c.exitCode) << extract.output;
        EXPECT_EQ(fs::exists(root_ / "out"), c.exitCode == 0);
    }
}

TEST_F(PackCommandTest, OutputIsTheSameForEveryThreadCount) {
    const fs::path tree = MakeTree();
    std::map<std::string, Bytes> byMode;
    for (const std::string mode : {"", " --best"}) {
        SCOPED_TRACE(mode);
        Bytes& first = byMode[mode];
        for (const char* threads : {"1", "2", "4"}) {
            const fs::path package = root_ / (std::string("p") + threads);
            const ToolRun pack = RunQpack("pack " + Quoted(tree) + " -o " + Quoted(package) + " -j " + threads + mode);
            ASSERT_EQ(pack.exitCode, 0) << pack.output;
            if (first.empty()) {
                first = ReadFile(package);
                const ToolRun verify = RunQpack("verify " + Quoted(package));
                EXPECT_EQ(verify.exitCode, 0) << verify.output;
            } else {
                EXPECT_EQ(ReadFile(package), first) << "-j " << threads;
            }
        }
    }
    // --best reaches the encoder: a different package, and not a larger one.
    EXPECT_NE(byMode[" --best"], byMode[""]);
    EXPECT_LE(byMode[" --best"].size(), byMode[""].size());
}

TEST_F(PackCommandTest, InstallerPutsThePayloadBehindThePaddedStub) {
    const fs::path tree = MakeTree();
    const Bytes stub = WriteStub();
    const fs::path setup = root_ / "setup.exe";
    const ToolRun installer =
        RunQpack("installer --stub " + Quoted(root_ / "stub.exe") + " " + Quoted(tree) + " -o " + Quoted(setup));
    ASSERT_EQ(installer.exitCode, 0) << installer.output;
    const Bytes bytes = ReadFile(setup);
    ASSERT_GT(bytes.size(), static_cast<std::size_t>(PayloadScanStart) + 8);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), bytes.begin()));
    EXPECT_EQ(std::string(bytes.begin() + PayloadScanStart, bytes.begin() + PayloadScanStart + 8), "ETETETET");
    const ToolRun verify = RunQpack("verify " + Quoted(setup) + " --from 400000");
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    const ToolRun extract = RunQpack("extract " + Quoted(setup) + " " + Quoted(root_ / "out") + " --from 400000");
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    EXPECT_EQ(ReadFile(root_ / "out" / "b.txt"), ReadFile(tree / "b.txt"));

    WriteFile(root_ / "notpe.exe", Text("MZ but nothing else, not even a PE header of any kind............."));
    const ToolRun refused =
        RunQpack("installer --stub " + Quoted(root_ / "notpe.exe") + " " + Quoted(tree) + " -o " + Quoted(setup));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("notpe.exe"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("not a PE"), std::string::npos) << refused.output;
}

TEST_F(PackCommandTest, BadInputIsRefusedNamingThePathAndLeavesNoOutput) {
    struct BadTree {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::string offending;  // part of the path the message must name, as a terminal may show it
        const char* reason;
    };
    const std::vector<BadTree> cases = {
        {"forbidden character", [](const fs::path& t) { WriteFile(t / "a?b.txt", Text("1")); }, "a?b.txt", "forbids"},
        {"colon", [](const fs::path& t) { WriteFile(t / "d" / "a:b", Text("1")); }, "a:b", "forbids"},
        {"control character", [](const fs::path& t) { WriteFile(t / "a\tb", Text("1")); }, "a\\tb", "control"},
        {"device name", [](const fs::path& t) { WriteFile(t / "sub" / "NUL.txt", Text("1")); }, "NUL.txt", "device"},
        {"device directory", [](const fs::path& t) { fs::create_directories(t / "com1"); }, "com1", "device"},
        {"trailing dot", [](const fs::path& t) { WriteFile(t / "fin.", Text("1")); }, "fin.", "dot"},
        {"trailing space", [](const fs::path& t) { WriteFile(t / "fin ", Text("1")); }, "fin ", "space"},
        {"no Windows-1252 form", [](const fs::path& t) { WriteFile(t / fs::path(u8"日本.txt"), Text("1")); },
         U8(u8"日本.txt"), "Windows-1252"},
        {"overlong UTF-8", [](const fs::path& t) { WriteFile(t / "l\xC1\xA9", Text("1")); }, "/l\\xC1\\xA9:", "UTF-8"},
        {"surrogate in UTF-8", [](const fs::path& t) { fs::create_directories(t / "d\xED\xA0\x80"); },
         "/d\\xED\\xA0\\x80:", "UTF-8"},
        {"letter case only",
         [](const fs::path& t) {
             WriteFile(t / fs::path(u8"Été.txt"), Text("1"));
             WriteFile(t / fs::path(u8"éTÉ.TXT"), Text("2"));
         },
         ".txt", "letter case"},
        {"symbolic link",
         [](const fs::path& t) {
             WriteFile(t / "target.txt", Text("1"));
             fs::create_symlink(t / "target.txt", t / "lien.txt");
         },
         "lien.txt", "symbolic link"},
        {"2 GiB file",
         [](const fs::path& t) {
             WriteFile(t / "huge.bin", {});
             fs::resize_file(t / "huge.bin", std::uintmax_t{1} << 31);  // sparse: nothing is written
         },
         "huge.bin", "2 GiB"},
        {"not a regular file", [](const fs::path& t) { mkfifo((t / "tube").c_str(), 0600); }, "tube",
         "not a regular file"},
        {"a directory's short name",
         [](const fs::path& t) {
             WriteFile(t / "LONGDIRNAME" / "config.ini", Text("1"));
             WriteFile(t / "LONGDI~1" / "config.ini", Text("2"));
         },
         "LONGDI~1 and ", "\"LONGDI~1\" is a short (8.3) name Windows may give \"LONGDIRNAME\""},
        {"a file's short name",
         [](const fs::path& t) {
             WriteFile(t / "Programme-Files.txt", Text("1"));
             WriteFile(t / "PROGRA~1.TXT", Text("2"));
         },
         "PROGRA~1.TXT and ", "\"PROGRA~1.TXT\" is a short (8.3) name"},
    };
    for (const BadTree& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path tree = root_ / "bad";
        fs::remove_all(tree);
        fs::create_directories(tree);
        WriteFile(tree / "good.txt", Text("good"));
        c.make(tree);
        const fs::path package = root_ / "bad.maj";
        const ToolRun pack = RunQpack("pack " + Quoted(tree) + " -o " + Quoted(package) + " -j 2");
        EXPECT_EQ(pack.exitCode, 1) << pack.output;
        EXPECT_NE(pack.output.find(c.offending), std::string::npos) << pack.output;
        EXPECT_NE(pack.output.find(c.reason), std::string::npos) << pack.output;
        EXPECT_FALSE(fs::exists(package));
        EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);  // the tree alone
    }
}

// An output inside the tree that is read is refused before any work, naming both paths.
TEST_F(PackCommandTest, OutputInsideTheInputIsRefused) {
    const fs::path tree = MakeTree();
    fs::create_directory_symlink(tree, root_ / "via");
    WriteFile(root_ / "stub.exe", Text("MZ"));
    const Bytes before = ReadFile(tree / "b.txt");
    for (const char* output : {"tree/b.txt", "tree/Aide/o.pkg", "via/o.pkg", "tree", "tree/../tree/n.pkg"}) {
        for (const std::string& command :
             {std::string("pack "), "installer --stub " + Quoted(root_ / "stub.exe") + " "}) {
            SCOPED_TRACE(command + output);
            const ToolRun run = RunQpack(command + Quoted(tree) + " -o " + Quoted(root_ / output));
            EXPECT_EQ(run.exitCode, 1) << run.output;
            EXPECT_NE(
                run.output.find((root_ / output).string() + ": the output lies inside the input tree " + tree.string()),
                std::string::npos)
                << run.output;
        }
    }
    EXPECT_EQ(ReadFile(tree / "b.txt"), before);
    EXPECT_FALSE(fs::exists(tree / "Aide" / "o.pkg"));
    EXPECT_FALSE(fs::exists(tree / "n.pkg"));
    // Nor may it replace the stub.
    for (const fs::path& output : {root_ / "stub.exe", root_ / "." / "stub.exe"}) {
        const ToolRun run =
            RunQpack("installer --stub " + Quoted(root_ / "stub.exe") + " " + Quoted(tree) + " -o " + Quoted(output));
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(
            run.output.find(output.string() + ": the output would replace the stub " + (root_ / "stub.exe").string()),
            std::string::npos)
            << run.output;
    }
    EXPECT_EQ(ReadFile(root_ / "stub.exe"), Text("MZ"));
}

#ifndef _WIN32  // links and signals as a POSIX shell has them
// Another name of the tree that no path comparison sees through: a bind mount of it (made in a mount namespace of
// the test's own where the system allows one). The output is compared with the tree by file identity.
TEST_F(PackCommandTest, OutputInsideTheInputByAnotherNameIsRefused) {
    const fs::path tree = MakeTree();
    fs::create_directories(root_ / "alias");
    const std::string pack =
        std::string(QPACK_EXECUTABLE) + " pack " + Quoted(tree) + " -o " + Quoted(root_ / "alias" / "Aide" / "o.pkg");
    const ToolRun run = testing::RunTool("unshare -rm sh -c \"mount --bind " + Quoted(tree) + " " +
                                         Quoted(root_ / "alias") + " || exit 99; " + pack + "\"");
    if (run.exitCode == 99 || run.output.find("unshare:") != std::string::npos) {
        GTEST_SKIP() << "no bind mount can be made here (unshare -rm, then mount --bind): " << run.output;
    }
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("o.pkg: the output lies inside the input tree " + tree.string()), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(tree / "Aide" / "o.pkg"));
}

// The output appears by a rename: a link standing at its name is replaced, never written through; an
// interrupted run leaves neither the output nor a temporary file, once it has started writing.
TEST_F(PackCommandTest, OutputIsNeverWrittenThroughALinkNorLeftHalfDone) {
    const fs::path tree = MakeTree();
    WriteFile(root_ / "victim.txt", Text("victim"));
    fs::create_symlink(root_ / "victim.txt", root_ / "out.pkg");
    ASSERT_EQ(RunQpack("pack " + Quoted(tree) + " -o " + Quoted(root_ / "out.pkg")).exitCode, 0);
    EXPECT_EQ(ReadFile(root_ / "victim.txt"), Text("victim"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root_ / "out.pkg")));

    const fs::path big = root_ / "big";
    std::mt19937 random(2);
    Bytes noise(24 << 20);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(random());
    }
    WriteFile(big / "noise.bin", noise);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const pid_t child = fork();
        if (child == 0) {
            setpgid(0, 0);  // a signal for qpack alone, as a terminal's Ctrl+C reaches its job
            const std::string output = (root_ / "big.pkg").string();
            execl(QPACK_EXECUTABLE, "qpack", "pack", big.c_str(), "-o", output.c_str(), "-j", "1", nullptr);
            _exit(127);
        }
        const auto temporary = [&] {
            for (const auto& item : fs::directory_iterator(root_)) {
                if (item.path().filename().string().find("big.pkg.qpack-") != std::string::npos) {
                    return true;
                }
            }
            return false;
        };
        const auto writing = [&] {  // an open file in root_: the output, with a name or none
            std::error_code error;
            for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error)) {
                if (fs::read_symlink(fd.path(), error).parent_path() == root_) {
                    return true;
                }
            }
            return false;
        };
        for (int i = 0; i < 2000 && !writing(); ++i) {
            usleep(5000);
        }
        ASSERT_TRUE(writing());
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(temporary());
        EXPECT_FALSE(fs::exists(root_ / "big.pkg"));
    }
}

#endif

TEST_F(PackCommandTest, UnreadableFileFailsWithoutOutput) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    const fs::path tree = MakeTree();
    fs::permissions(tree / "b.txt", fs::perms::none);
    const ToolRun pack = RunQpack("pack " + Quoted(tree) + " -o " + Quoted(root_ / "p"));
    fs::permissions(tree / "b.txt", fs::perms::owner_all);
    EXPECT_EQ(pack.exitCode, 1);
    EXPECT_NE(pack.output.find("b.txt"), std::string::npos) << pack.output;
    EXPECT_FALSE(fs::exists(root_ / "p"));
}

// A path past what the installer's calls take under the shortest base it is installed under (c:\speng for a side
// archive, C:\Quibel for an installer): 247 characters for a directory, 259 for a file.
TEST_F(PackCommandTest, LongPathsGetAWarning) {
    const fs::path tree = root_ / "tree";
    fs::path deep = tree;
    for (int i = 0; i < 5; ++i) {
        deep /= std::string(45, static_cast<char>('a' + i));
    }
    WriteFile(deep / (std::string(28, 'f') + ".txt"), Text("x"));  // 5 * 46 + 33 = 263 characters below the root
    const ToolRun pack = RunQpack("pack " + Quoted(tree) + " -o " + Quoted(root_ / "p"));
    EXPECT_EQ(pack.exitCode, 0) << pack.output;
    EXPECT_NE(pack.output.find("warning: 1 file past 259 characters under c:\\speng"), std::string::npos)
        << pack.output;
    EXPECT_NE(pack.output.find("ffff.txt (271 characters)"), std::string::npos) << pack.output;
    WriteStub();
    const ToolRun installer = RunQpack("installer --stub " + Quoted(root_ / "stub.exe") + " " + Quoted(tree) + " -o " +
                                       Quoted(root_ / "p.exe"));
    EXPECT_NE(installer.output.find("1 file past 259 characters under C:\\Quibel"), std::string::npos)
        << installer.output;
}

// An installer for the stub and the tree of one file, as `qpack installer` writes it.
Bytes Installer(const fs::path& root, const fs::path& out) {
    std::mt19937 random(7);
    Bytes noise(4000);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(random());
    }
    WriteFile(root / "one" / "texte.txt", noise);
    RunQpack("installer -q --stub " + Quoted(root / "stub.exe") + " " + Quoted(root / "one") + " -o " + Quoted(out));
    return ReadFile(out);
}

// The security directory entry of an installer (PE32) made to name size bytes at offset.
Bytes WithSecurityDirectory(Bytes file, std::uint32_t offset, std::uint32_t size) {
    const std::size_t header = file[0x3C] | file[0x3D] << 8 | file[0x3E] << 16;
    const std::size_t entry = header + 24 + 128;
    for (int i = 0; i < 4; ++i) {
        file[entry + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        file[entry + 4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return file;
}

// A file named by the digits of the next file's block offset: "\NN" is a path, and an offset.
Bytes NameThatIsAnOffset() {
    const Bytes block = testing::LiteralBlock(Text("x"));
    // marker 8, reserved 2, banner count 4, root entry 6; a file entry: tag 2, name 4 + digits, block 4 + size
    std::size_t digits = 2;
    while (std::to_string(20 + 10 + digits + block.size() + 8).size() != digits) {
        ++digits;
    }
    const std::string name = std::to_string(20 + 10 + digits + block.size() + 8);
    return testing::PackageBuilder().Directory("").File(name, Text("x")).File("zz", Text("y")).Build();
}

// What an install of the package would do on a Windows volume, where verify, extract and decode must not say
// otherwise: each case a file made, one command, its exit code and a part of its output.
TEST_F(PackCommandTest, PackagesAreReadAsAnInstallOnAnyVolumeWouldReadThem) {
    using testing::PackageBuilder;
    WriteStub();
    const Bytes installer = Installer(root_, root_ / "setup.exe");
    ASSERT_GT(installer.size(), 400000u);
    const auto recordOffset = static_cast<std::uint32_t>(installer.size() - 96);
    Bytes blockChanged = WithSecurityDirectory(installer, recordOffset, 96);
    blockChanged[recordOffset - 4] ^= 0x10;  // in the file's block, before the closing tag
    const std::string longName = std::string(200, 'd');
    std::string longDir = (root_ / "L").string();
    while (longDir.size() < 3000) {
        longDir += "/" + std::string(std::min<std::size_t>(200, 3000 - longDir.size() - 1), 'l');
    }
    const struct {
        const char* name;
        std::string file;  // written below root_
        Bytes bytes;       // its content; empty: a directory
        std::string command;
        int exitCode;
        const char* output;  // a part of it
    } cases[] = {
        {"sound short names", "s.maj",
         PackageBuilder()
             .Directory("")
             .File("A~1.TXT", Text("a"))
             .File("data.bin", Text("d"))
             .File("LONGDIRNAME.TXT", Text("l"))
             .File("LONGDI~1", Text("s"))
             .File("README~1.TXT", Text("r"))
             .Build(),
         "verify", 0, ": sound, 1 directory, 5 files"},
        {"a directory beside its short name", "n.maj",
         PackageBuilder().Directory("").Directory("\\LONGDIRNAME").Directory("\\LONGDI~1").Build(), "verify", 1,
         "directory \"\\LONGDI~1\" and directory \"\\LONGDIRNAME\" cannot stand side by side: \"LONGDI~1\" is a "
         "short (8.3) name"},
        {"a file beside its short name", "f.maj",
         PackageBuilder().Directory("").File("Programme-Files.txt", Text("1")).File("PROGRA~1.TXT", Text("2")).Build(),
         "verify", 1, "\"PROGRA~1.TXT\" is a short (8.3) name Windows may give \"Programme-Files.txt\""},
        {"entries beside a DIR of 3,000 characters", "g.maj",
         PackageBuilder().Directory("").Directory("-beside").File("f.txt", Text("f")).Build(), "extract -q", 1,
         "-beside/f.txt: would land outside"},
        {"banner lines as they are read", "b.maj",
         PackageBuilder().BannerLine("un").BannerLine("deux").Directory("").Build(), "list", 0,
         "banner: un\nbanner: deux\n"},
        {"a directory before its parent", "o.maj",
         PackageBuilder().Directory("").Directory("\\a").Directory("\\a\\b").Directory("\\c\\d").Build(), "verify", 1,
         "directory \"\\c\\d\" comes before its parent's entry"},
        {"the record named as the certificate table", "h.exe", WithSecurityDirectory(installer, recordOffset, 96),
         "verify", 1, "that are no certificate table: its entry says length 1651078481"},
        {"then a block changed", "c.exe", blockChanged, "extract -q", 1, "damaged: the SHA-256 of the"},
        {"a side archive the installer cannot load",
         "big.maj",
         {},
         "verify",
         1,
         ": the installer cannot load it: 2200000020 bytes, more than the 2147483647 its reader takes"},
        {"a file no install can create", "l.maj",
         PackageBuilder().Directory("").Directory("\\" + longName).File(std::string(80, 'f'), Text("f")).Build(),
         "verify", 0, "l.maj: 1 file past 259 characters under c:\\speng"},
        {"then with --warnings-as-errors",
         "l.maj",
         {},
         "verify --warnings-as-errors",
         1,
         "1 warning, an error with --warnings-as-errors"},
        {"an ENTRY that is a listed name and an offset", "d.maj", NameThatIsAnOffset(), "decode", 1,
         "\" names both the file \\"},
        {"an ENTRY naming names equal but for case", "e.maj",
         PackageBuilder().Directory("").File("A.txt", Text("1")).File("a.txt", Text("2")).Build(), "decode", 1,
         "\"a.txt\" names 2 files that differ only in letter case (\\A.txt, \\a.txt)"},
        {"decode of a changed package", "c.exe", {}, "decode", 1, "damaged: the SHA-256"},
        {"not a package", "r.maj", Text("just some text, no package"), "verify", 1,
         "r.maj: not a Quibel package or installer: no payload marker"},
        {"a truncated installer", "t.exe", Bytes(installer.begin(), installer.end() - 1000), "verify", 1,
         "truncated: its block needs"},
        {"an installer as the stub", "setup.exe", installer, "installer", 1,
         "setup.exe: this is already an installer; give the stub"},
        {"a directory as a package", "dir", {}, "list", 1, "dir: a directory, not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = root_ / c.file;
        if (c.file == "dir") {
            fs::create_directories(file);
        } else if (c.file == "big.maj") {
            const Bytes payload = PackageBuilder().Directory("").Build();
            std::ofstream out(file, std::ios::binary);
            out.seekp(2'200'000'000);  // sparse: nothing before it is written
            out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
        } else if (!c.bytes.empty()) {
            WriteFile(file, c.bytes);
        }
        std::string command = c.command + " " + Quoted(file);
        if (c.command == "extract -q") {
            command += " " + Quoted(c.file == "g.maj" ? fs::path(longDir) : root_ / "out");
        } else if (c.command == "decode") {
            const std::string entry = c.file == "d.maj"
                                          ? std::string(c.bytes.begin() + 26, c.bytes.begin() + 26 + c.bytes[22])
                                      : c.file == "e.maj" ? "a.txt"
                                                          : "/texte.txt";
            command += " " + entry + " " + Quoted(root_ / "decoded");
        } else if (c.command == "installer") {
            command =
                "installer --stub " + Quoted(file) + " " + Quoted(root_ / "one") + " -o " + Quoted(root_ / "i.exe");
        }
        const ToolRun run = RunQpack(command);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.output), std::string::npos) << run.output;
    }
    EXPECT_FALSE(fs::exists(root_ / "out"));
    EXPECT_FALSE(fs::exists(root_ / "decoded"));
}

}  // namespace
}  // namespace quibel::qpack

#endif
