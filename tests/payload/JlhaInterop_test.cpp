// Archives made by an independent lh5 encoder (the `jlha` command, when installed) from generated files:
// every -lh5- member's data, framed as a compressed block, decodes to the original file without reading past
// its end or leaving more of it unused than qpack verify allows, and without its last byte is found to run past
// it. Native only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/BitWriter.h"
#include "tests/support/Lh5Corpus.h"
#include "tests/support/Lh5TestDecode.h"
#include "tests/support/LzhReader.h"
#include "tools/qpack/inspect/PackageChecker.h"

namespace quibel::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct GeneratedFile {
    std::string name;
    Bytes content;
};

Bytes Text(std::size_t size, std::uint32_t seed) {
    static const char* const words[] = {"quibel",  "installer",  "le ",      "la ",        "des ",
                                        "fichier", "répertoire", "\r\n",     "compressed", "window",
                                        " ",       ", ",         "synthèse", "vocale",     "0123"};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string word = words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
    }
    out.resize(size);
    return out;
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(random() >> 13);
    }
    return out;
}

// Mostly compressible, with long runs, distance-8,192 repeats and a little noise: long and short codes alike.
Bytes Mixed(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        switch (random() % 4) {
            case 0:
                out.insert(out.end(), 300 + random() % 2000, static_cast<std::uint8_t>(random()));
                break;
            case 1:
                if (out.size() > 8192) {
                    const std::size_t from = out.size() - 8192;
                    for (std::size_t i = 0; i < 500; ++i) {
                        out.push_back(out[from + i]);
                    }
                }
                break;
            case 2: {
                const Bytes text = Text(1000 + random() % 3000, static_cast<std::uint32_t>(random()));
                out.insert(out.end(), text.begin(), text.end());
                break;
            }
            default: {
                const Bytes noise = Noise(random() % 700, static_cast<std::uint32_t>(random()));
                out.insert(out.end(), noise.begin(), noise.end());
            }
        }
    }
    out.resize(size);
    return out;
}

[[maybe_unused]] std::vector<GeneratedFile> GeneratedFiles() {
    return {
        {"text.txt", Text(300000, 1)},   {"short.txt", Text(5, 2)},        {"window.txt", Text(8192, 3)},
        {"window1.txt", Text(8193, 4)},  {"runs.bin", Bytes(200000, 'r')}, {"mixed.bin", Mixed(400000, 5)},
        {"noisy.bin", Mixed(100000, 6)},
    };
}

TEST(JlhaInterop, Lh5MembersDecodeToTheOriginalFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "runs the jlha command: native builds only";
#else
    if (std::system("command -v jlha >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "jlha not installed (Debian package jlha-utils)";
    }
    const auto directory = std::filesystem::temp_directory_path() /
                           ("quibel-jlha-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                            std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory);
    const auto files = GeneratedFiles();
    std::string names;
    for (const auto& file : files) {
        std::ofstream(directory / file.name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.content.data()),
                   static_cast<std::streamsize>(file.content.size()));
        names += " " + file.name;
    }
    // a: add, o5: -lh5-, 2: header level 2, q: quiet.
    const std::string command =
        "cd '" + directory.string() + "' && jlha ao52q archive.lzh" + names + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    const Bytes archive = ReadWholeFile(directory / "archive.lzh");
    std::filesystem::remove_all(directory);
    ASSERT_EQ(status, 0) << command;

    const auto members = ReadLevel2Archive(archive);
    ASSERT_EQ(members.size(), files.size());
    int lh5Members = 0;
    for (const auto& file : files) {
        const auto member =
            std::find_if(members.begin(), members.end(), [&](const LzhMember& m) { return m.name == file.name; });
        ASSERT_NE(member, members.end()) << file.name;
        ASSERT_EQ(member->originalSize, file.content.size()) << file.name;
        if (member->method != "-lh5-") {
            continue;  // stored: the encoder found nothing to gain
        }
        ++lh5Members;
        const Bytes block = MakeBlock(static_cast<std::int32_t>(file.content.size()), member->compressed);
        for (const int wordBits : {32, 64}) {
            const DecodeOutcome outcome = DecodeBlock(block, wordBits);
            EXPECT_FALSE(outcome.corrupt) << file.name;
            EXPECT_TRUE(outcome.bytes == file.content) << file.name;
            EXPECT_EQ(outcome.bitsPastEnd, 0) << file.name << ", " << wordBits << " bits";
            EXPECT_LE(outcome.unusedBytes, qpack::kLargestUnusedStreamBytes) << file.name;  // not called damaged
            // Without its last byte the stream runs short: its symbols reach into the zeros past the end.
            EXPECT_GT(DecodeBlock(Bytes(block.begin(), block.end() - 1), wordBits).bitsPastEnd, 0) << file.name;
        }
    }
    EXPECT_GE(lh5Members, 6);
#endif
}

}  // namespace
}  // namespace quibel::testing
