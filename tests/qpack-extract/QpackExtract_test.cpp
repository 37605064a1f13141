// qpack decode and qpack extract as a user runs them: exit codes, what lands on disk, and the log on stdout.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/PackageBytes.h"

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
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qpack-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome Run(const std::string& arguments) {
        const std::string command = std::string(QPACK_PATH) + " " + arguments + " >" + (dir_ / "stdout.txt").string() +
                                    " 2>" + (dir_ / "stderr.txt").string();
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

TEST_F(QpackCommand, ExtractFromAnInstallerOffset) {
    PackageBytes installer;
    installer.Zeros(400000).Header().Directory("").File("quibel.exe", BytesOf("MZ"));
    Write("setup.exe", installer.bytes);
    const Outcome outcome = Run("extract " + P("setup.exe") + " " + P("q") + " --from 400000");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(ReadText(dir_ / "q/quibel.exe"), "MZ");
    // Scanning from 400002 misses the marker: nothing is extracted, and that is no failure.
    const Outcome missed = Run("extract " + P("setup.exe") + " " + P("r") + " --from 400002");
    EXPECT_EQ(missed.exitCode, 0);
    EXPECT_EQ(missed.out, "");
    EXPECT_TRUE(fs::is_directory(dir_ / "r"));
}

TEST_F(QpackCommand, ExtractFailuresShowTheFailureText) {
    PackageBytes package;
    package.Header().Directory("").File("a", BytesOf("1")).Directory("\\d\\e");
    Write("p.maj", package.bytes);
    const Outcome outcome = Run("extract " + P("p.maj") + " " + P("t"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "Nom de fichier incorrect.\n");
    // The lines logged before the failure are printed, the failing directory's line last.
    EXPECT_NE(outcome.out.find("Fichier " + P("t") + "/a taille :"), std::string::npos);
    EXPECT_NE(outcome.out.find("pertoire " + P("t") + "/d/e\n"), std::string::npos);

    const Outcome missing = Run("extract " + P("absent.maj") + " " + P("t"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("Impossible d'ouvrir le fichier \"" + P("absent.maj") + "\". ", 0), 0u) << missing.err;
}

TEST_F(QpackCommand, UsageErrors) {
    for (const char* arguments : {"", "frobnicate", "extract onlyone", "extract a b --from", "extract a b --from -4",
                                  "decode a", "decode a b c"}) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments;
        EXPECT_NE(outcome.err.find("usage"), std::string::npos) << arguments;
    }
    EXPECT_EQ(Run("--help").exitCode, 0);
    EXPECT_EQ(Run("extract --help").exitCode, 0);
}

TEST_F(QpackCommand, DecodeWritesTheContentOrNothing) {
    Write("good.blk", testing::LiteralBlock(BytesOf("bonjour")));
    EXPECT_EQ(Run("decode " + P("good.blk") + " " + P("good.out")).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "good.out"), "bonjour");

    Write("bad.blk", {1, 0, 0, 0, 0x00, 0x01, 0x09});  // a length-code list that is no complete code
    const Outcome outcome = Run("decode " + P("bad.blk") + " " + P("bad.out"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("Compressed file is corrupt."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "bad.out"));
}

}  // namespace
}  // namespace quibel
