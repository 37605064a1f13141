// The output's temporary file is created exclusively under a fresh name: whatever stands at a drawn name is left
// alone and another is drawn; it is removed when the command fails, and one a killed qpack left is removed by the
// next once unlocked.

#include "tools/qpack/write/OutputFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OutputFile, WhatStandsAtADrawnNameIsNeverOpened) {
    const fs::path dir = fs::temp_directory_path() / "qpack-output-file";
    struct Planted {
        const char* what;
        std::function<void(const fs::path& at, const fs::path& victim)> plant;
    };
    const Planted cases[] = {
        {"directory", [](const fs::path& at, const fs::path&) { fs::create_directory(at); }},
#ifndef _WIN32
        {"link to a file", [](const fs::path& at, const fs::path& victim) { fs::create_symlink(victim, at); }},
        {"dangling link", [](const fs::path& at, const fs::path& victim) { fs::create_symlink(victim / "x", at); }},
#endif
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        fs::create_directories(dir / "victim-dir");
        const fs::path victim = dir / "victim.txt";
        std::ofstream(victim) << "victim";
        const fs::path first = dir / ".out.pkg.qpack-first";
        c.plant(first, c.what == std::string("dangling link") ? dir / "victim-dir" : victim);
        int draws = 0;
        {
            OutputFile out(
                dir / "out.pkg", [&] { return ++draws == 1 ? "first" : "second"; }, OutputFile::Way::Hidden);
            EXPECT_EQ(out.TemporaryPath(), dir / ".out.pkg.qpack-second");
            out.Write({'o', 'k'});
            out.Commit();
        }
        EXPECT_EQ(ReadText(dir / "out.pkg"), "ok");
        EXPECT_EQ(ReadText(victim), "victim");
        EXPECT_FALSE(fs::exists(dir / "victim-dir" / "x"));
        EXPECT_TRUE(fs::exists(fs::symlink_status(first)));
        EXPECT_FALSE(fs::exists(dir / ".out.pkg.qpack-second"));
    }
    // Two outputs for one target never share a temporary name, and a failed command leaves none behind.
    {
        OutputFile a(dir / "t", OutputFile::RandomSuffix, OutputFile::Way::Hidden);
        OutputFile b(dir / "t", OutputFile::RandomSuffix, OutputFile::Way::Hidden);
        EXPECT_NE(a.TemporaryPath(), b.TemporaryPath());
        EXPECT_TRUE(fs::exists(a.TemporaryPath()));
    }
    EXPECT_FALSE(fs::exists(dir / "t"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4);  // victim(-dir), first, out
    fs::remove_all(dir);
}

// A hidden file that no live qpack holds (its writer killed) is removed by the next output into that directory;
// one still written is not, nor another name, nor an anonymous output's directory entries.
TEST(OutputFile, TheNextOutputRemovesWhatAKilledOneLeft) {
    const fs::path dir = fs::temp_directory_path() / "qpack-output-left";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path left = dir / ".a.maj.qpack-00fc4d6100618876";
    const fs::path kept[] = {dir / ".a.maj.qpack-00fc4d610061887", dir / "a.maj.qpack-00fc4d6100618876",
                             dir / ".a.maj.qpack-00fc4d610061887g"};
    for (const fs::path& path : kept) {
        std::ofstream(path) << "someone's";
    }
    std::ofstream(left) << "left by a killed qpack";
    OutputFile live(dir / "b.maj", OutputFile::RandomSuffix, OutputFile::Way::Hidden);
    live.Write({'b'});
    for (const OutputFile::Way way : {OutputFile::Way::Hidden, OutputFile::Way::Anonymous}) {
        OutputFile next(dir / "c.maj", OutputFile::RandomSuffix, way);
        next.Write({'c'});
        next.Commit();
    }
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(live.TemporaryPath()));
    for (const fs::path& path : kept) {
        EXPECT_TRUE(fs::exists(path)) << path;
    }
    EXPECT_EQ(ReadText(dir / "c.maj"), "c");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);
    live.Commit();
    EXPECT_EQ(ReadText(dir / "b.maj"), "b");
    fs::remove_all(dir);
}

// An output may not name the file the command reads, by any of its names; another file, or none yet, is fine.
TEST(OutputFile, AnOutputOverTheInputIsRefused) {
    const fs::path dir = fs::temp_directory_path() / "qpack-output-over-input";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "in.exe") << "input";
    std::ofstream(dir / "other.exe") << "other";
    const std::pair<fs::path, bool> outputs[] = {
        {dir / "in.exe", true},     {dir / "sub" / ".." / "in.exe", true},
        {dir / "other.exe", false}, {dir / "new.exe", false},
        {dir / "sub", false},
    };
    for (const auto& [output, refused] : outputs) {
        bool thrown = false;
        try {
            RefuseOutputOverInput(output, dir / "in.exe", "the stub");
        } catch (const PackError& failure) {
            thrown = std::string(failure.what()).find(": the output would replace the stub ") != std::string::npos;
        }
        EXPECT_EQ(thrown, refused) << output;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quibel::qpack
