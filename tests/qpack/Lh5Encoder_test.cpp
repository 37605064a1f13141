// The encoder's streams against the installer's own decoder and, natively, against an independent extractor.

#include "tools/qpack/encoder/Lh5Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "payload/DecompressBlock.h"
#include "payload/PayloadStream.h"
#include "tests/support/LzhWriter.h"
#include "tools/qpack/encoder/HuffmanCode.h"

namespace quibel::qpack {
namespace {

#ifdef _WIN32
constexpr std::size_t kLarge = 70000;  // keeps the suite quick under Wine, still past one segment's symbols
#else
constexpr std::size_t kLarge = 300000;
#endif

// Parts far shorter than qpack's, so that the larger cases are cut into several.
constexpr std::size_t kPart = 20000;

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Words from a small vocabulary: many matches of all lengths and distances.
Bytes TextLike(std::size_t size, unsigned seed) {
    static const char* const words[] = {"paquet ", "fichier ", "répertoire ", "installation ", "the ",       "of ",
                                        "and\n",   "Quibel ",  "\t",          "décompresse ",  "0123456789", "x"};
    std::mt19937 random(seed);
    Bytes bytes;
    while (bytes.size() < size) {
        const std::string word = words[random() % (sizeof words / sizeof words[0])];
        bytes.insert(bytes.end(), word.begin(), word.end());
    }
    bytes.resize(size);
    return bytes;
}

Bytes AllByteValues(int repeats) {
    Bytes bytes;
    for (int r = 0; r < repeats; ++r) {
        for (int v = 0; v < 256; ++v) {
            bytes.push_back(static_cast<std::uint8_t>(r % 2 == 0 ? v : 255 - v));
        }
    }
    return bytes;
}

// Skewed frequencies (Fibonacci-like) push an unlimited Huffman code past 16 bits.
Bytes Skewed(std::size_t size) {
    Bytes bytes;
    std::uint64_t a = 1;
    std::uint64_t b = 1;
    for (int symbol = 0; symbol < 30 && bytes.size() < size; ++symbol) {
        for (std::uint64_t i = 0; i < a && bytes.size() < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(symbol * 7));
        }
        const std::uint64_t next = a + b;
        a = b;
        b = next;
    }
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(5));
    return bytes;
}

struct Case {
    const char* name;
    Bytes data;
};

// 6 KiB of noise over and over: only matches that reach back 6,144 bytes compress it, across parts too.
Bytes RepeatedNoise(std::size_t size) {
    const Bytes unit = RandomBytes(6144, 21);
    Bytes bytes;
    while (bytes.size() < size) {
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    }
    bytes.resize(size);
    return bytes;
}

std::vector<Case> Cases() {
    Bytes runs(kLarge, 0);
    for (std::size_t i = kLarge / 2; i < kLarge; ++i) {
        runs[i] = 'A';
    }
    Bytes mixed = TextLike(kLarge / 2, 3);
    const Bytes noise = RandomBytes(kLarge / 2, 4);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    return {
        {"empty", {}},
        {"one byte", {0x41}},
        {"two bytes", {7, 7}},
        {"three equal bytes", {9, 9, 9}},
        {"8191 bytes", TextLike(8191, 1)},
        {"8192 bytes", TextLike(8192, 1)},
        {"8193 bytes", TextLike(8193, 1)},
        {"one byte value repeated", Bytes(kLarge, 0xAA)},
        {"long runs", runs},
        {"all 256 byte values", AllByteValues(64)},
        {"random", RandomBytes(kLarge, 2)},
        {"text past one segment", TextLike(kLarge, 7)},
        {"text then noise", mixed},
        {"skewed frequencies", Skewed(kLarge)},
        {"6 KiB of noise repeated", RepeatedNoise(kLarge)},
        {"period of the window",
         [] {
             Bytes block = RandomBytes(8192, 9);
             Bytes twice = block;
             twice.insert(twice.end(), block.begin(), block.end());
             twice.insert(twice.end(), block.begin(), block.end());
             return twice;
         }()},
    };
}

// The fast mode and the thorough one (--best), each also with short parts: every stream must decode. In pairs,
// the thorough mode after the fast one.
struct Mode {
    const char* name;
    EncoderSettings settings;
};

std::vector<Mode> Modes() {
    EncoderSettings best;
    best.best = true;
    EncoderSettings fastParts;
    fastParts.partLength = kPart;
    EncoderSettings bestParts = best;
    bestParts.partLength = kPart;
    return {{"fast", {}}, {"best", best}, {"fast-parts", fastParts}, {"best-parts", bestParts}};
}

Bytes Decode(const Bytes& block) {
    PayloadStream source;
    source.Replace(block);
    PayloadStream destination;
    DecompressBlock(source, destination);
    return destination.Bytes();
}

TEST(Lh5Encoder, RoundTripsThroughTheInstallersDecoder) {
    for (const Case& c : Cases()) {
        std::vector<std::size_t> sizes;
        for (const Mode& mode : Modes()) {
            SCOPED_TRACE(std::string(c.name) + ", " + mode.name);
            const Bytes block = EncodeBlock(c.data, mode.settings);
            ASSERT_GE(block.size(), 4u);
            EXPECT_EQ(Decode(block), c.data);
            // Truncated by one byte, the stream must still decode to the right size (missing bits read as zeros).
            if (block.size() > 4) {
                EXPECT_EQ(Decode(Bytes(block.begin(), block.end() - 1)).size(), c.data.size());
            }
            sizes.push_back(block.size());
        }
        for (std::size_t m = 0; m + 1 < sizes.size(); m += 2) {
            EXPECT_LE(sizes[m + 1], sizes[m]) << c.name << ", " << Modes()[m].name << ": --best larger";
        }
    }
}

// A part's matches reach back into the bytes before it: the repeated noise, cut into parts, costs about one copy
// of the noise, not one per part.
TEST(Lh5Encoder, PartsMatchIntoTheBytesBeforeThem) {
    const Bytes data = RepeatedNoise(3 * kPart + 1000);
    for (const Mode& mode : Modes()) {
        if (mode.settings.partLength == kPart) {
            EXPECT_LT(EncodeBlock(data, mode.settings).size(), 6144 + 6144 / 2) << mode.name;
        }
    }
}

// Also on threads that start, encode and end, as the packer's workers do: what a thread keeps for itself must be
// freed cleanly when it ends (a crash there took down a pack on Windows).
TEST(Lh5Encoder, SameInputGivesTheSameBytesOnAnyThread) {
    const Bytes data = TextLike(50000, 11);
    const Bytes small(data.begin(), data.begin() + 6000);
    for (const Mode& mode : Modes()) {
        SCOPED_TRACE(mode.name);
        EXPECT_EQ(EncodeBlock(data, mode.settings), EncodeBlock(data, mode.settings));
        const Bytes expected = EncodeBlock(small, mode.settings);
        for (int round = 0; round < 24; ++round) {
            std::vector<Bytes> blocks(4);
            std::vector<std::thread> threads;
            for (Bytes& block : blocks) {
                threads.emplace_back([&] { block = EncodeBlock(small, mode.settings); });
            }
            for (std::thread& thread : threads) {
                thread.join();
            }
            for (const Bytes& block : blocks) {
                ASSERT_EQ(block, expected) << "round " << round;
            }
        }
    }
}

TEST(Lh5Encoder, IncompressibleDataCostsLittleMore) {
    const Bytes data = RandomBytes(kLarge, 12);
    const Bytes block = EncodeBlock(data);
    EXPECT_LE(static_cast<double>(block.size()), static_cast<double>(data.size()) * 1.003 + 64);
    // Small incompressible files (a PNG icon, a short .gz) pay only the few bytes of one segment's header, and
    // still come back whole.
    for (std::size_t size : {1u, 221u, 4146u}) {
        const Bytes small = RandomBytes(size, 13);
        const Bytes smallBlock = EncodeBlock(small);
        EXPECT_LE(smallBlock.size(), 4 + size + 7) << size;
        PayloadStream source;
        source.Replace(smallBlock);
        PayloadStream decoded;
        DecompressBlock(source, decoded);
        EXPECT_EQ(decoded.Bytes(), small) << size;
    }
}

TEST(Lh5Encoder, RepetitiveDataCompresses) {
    EXPECT_LT(EncodeBlock(Bytes(kLarge, 0)).size(), kLarge / 100);
    EXPECT_LT(EncodeBlock(TextLike(kLarge, 13)).size(), kLarge / 3);
}

TEST(HuffmanCode, LimitedCodesAreCompleteAndCanonical) {
    std::vector<std::uint32_t> fibonacci(40);
    fibonacci[0] = fibonacci[1] = 1;
    for (std::size_t i = 2; i < fibonacci.size(); ++i) {
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
    }
    const std::vector<std::vector<std::uint32_t>> tables = {
        fibonacci, {5, 0, 0, 9}, {1, 1, 1}, std::vector<std::uint32_t>(510, 3)};
    for (const auto& frequencies : tables) {
        const HuffmanCode code = BuildHuffmanCode(frequencies, 16);
        std::uint64_t kraft = 0;
        for (std::size_t s = 0; s < frequencies.size(); ++s) {
            EXPECT_EQ(code.lengths[s] == 0, frequencies[s] == 0);
            EXPECT_LE(code.lengths[s], 16);
            if (code.lengths[s] > 0) {
                kraft += std::uint64_t{1} << (16 - code.lengths[s]);
            }
        }
        EXPECT_EQ(kraft, std::uint64_t{1} << 16);
        // Canonical: a longer code's prefix of the shorter length lies above every code of that length.
        for (std::size_t a = 0; a < frequencies.size(); ++a) {
            for (std::size_t b = a + 1; b < frequencies.size(); ++b) {
                if (code.lengths[a] > 0 && code.lengths[a] == code.lengths[b]) {
                    EXPECT_LT(code.codes[a], code.codes[b]);
                }
            }
        }
    }
    const HuffmanCode single = BuildHuffmanCode(std::vector<std::uint32_t>{0, 0, 4}, 16);
    EXPECT_TRUE(single.IsSingle());
    EXPECT_EQ(single.singleSymbol, 2);
    EXPECT_THROW(BuildHuffmanCode(std::vector<std::uint32_t>(kMaxHuffmanSymbols + 1, 1), 16), std::length_error);
    EXPECT_THROW(BuildHuffmanCode(fibonacci, kMaxHuffmanLength + 1), std::length_error);
}

// Bits of the symbols and of their lengths under a code; none when the lengths are not a complete code.
std::optional<std::uint64_t> CostOf(const std::vector<std::uint8_t>& lengths,
                                    const std::vector<std::uint32_t>& frequencies,
                                    const std::vector<std::uint32_t>& lengthCost,
                                    int maxLength) {
    std::uint64_t kraft = 0;
    std::uint64_t cost = 0;
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] > 0) {
            kraft += std::uint64_t{1} << (maxLength - lengths[s]);
            cost += std::uint64_t{frequencies[s]} * lengths[s] + lengthCost[lengths[s]];
        }
    }
    return kraft == std::uint64_t{1} << maxLength ? std::optional(cost) : std::nullopt;
}

// The least cost over every assignment of lengths to the used symbols.
std::uint64_t CheapestByTrial(const std::vector<std::uint32_t>& frequencies,
                              const std::vector<std::uint32_t>& lengthCost,
                              int maxLength) {
    std::vector<std::uint8_t> lengths(frequencies.size(), 0);
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    const auto next = [&](auto& self, std::size_t s) -> void {
        if (s == frequencies.size()) {
            best = std::min(best, CostOf(lengths, frequencies, lengthCost, maxLength).value_or(best));
            return;
        }
        for (int l = frequencies[s] > 0 ? 1 : 0; l <= (frequencies[s] > 0 ? maxLength : 0); ++l) {
            lengths[s] = static_cast<std::uint8_t>(l);
            self(self, s + 1);
        }
    };
    next(next, 0);
    return best;
}

TEST(HuffmanCode, CodesForLengthCostsAreCompleteAndCheapest) {
    struct CostCase {
        std::vector<std::uint32_t> frequencies;
        std::vector<std::uint32_t> lengthCost;  // by length, 0 to maxLength
        int maxLength;
    };
    const std::vector<CostCase> cases = {
        {{5, 0, 9, 1}, {0, 0, 0, 0, 0}, 4},             // no length costs: Huffman's bits
        {{1, 1, 1, 1, 1, 1}, {0, 9, 9, 0, 9, 9}, 5},    // length 3 free: as many as fit take it
        {{20, 3, 3, 2, 1, 1}, {0, 1, 2, 3, 4, 5}, 5},   // longer lengths dearer
        {{7, 7, 1, 0, 1, 1}, {0, 6, 2, 6, 2, 6}, 5},    // alternating
        {{100, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}, 3},  // the limit binds
    };
    for (const CostCase& c : cases) {
        const HuffmanCode code = BuildCodeForLengthCosts(c.frequencies, c.maxLength, c.lengthCost);
        const auto cost = CostOf(code.lengths, c.frequencies, c.lengthCost, c.maxLength);
        ASSERT_TRUE(cost.has_value()) << "incomplete code";
        for (std::size_t s = 0; s < c.frequencies.size(); ++s) {
            EXPECT_EQ(code.lengths[s] == 0, c.frequencies[s] == 0);
        }
        EXPECT_EQ(*cost, CheapestByTrial(c.frequencies, c.lengthCost, c.maxLength));
    }
    EXPECT_TRUE(
        BuildCodeForLengthCosts(std::vector<std::uint32_t>{0, 3, 0}, 16, std::vector<std::uint32_t>(17, 1)).IsSingle());
}

#ifdef QPACK_HAS_HOST_TOOLS
TEST(Lh5Encoder, IndependentExtractorAgrees) {
    if (std::system("lhasa >/dev/null 2>&1") == -1 || std::system("command -v lhasa >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "lhasa is not installed";
    }
    const auto dir = std::filesystem::temp_directory_path() / ("qpack-lhasa-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "out");
    testing::LzhWriter archive;
    const std::vector<Case> cases = Cases();
    const std::vector<Mode> modes = Modes();
    for (std::size_t m = 0; m < modes.size(); ++m) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            archive.AddMember(modes[m].name + std::to_string(i), EncodeLh5(cases[i].data, modes[m].settings),
                              cases[i].data);
        }
    }
    const Bytes bytes = archive.Finish();
    std::ofstream(dir / "a.lzh", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const std::string command = "cd '" + (dir / "out").string() + "' && lhasa xfq ../a.lzh >../log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    for (const Mode& mode : modes) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(std::string(cases[i].name) + ", " + mode.name);
            std::ifstream in(dir / "out" / (mode.name + std::to_string(i)), std::ios::binary);
            ASSERT_TRUE(in.good());
            const Bytes extracted((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(extracted, cases[i].data);
        }
    }
    std::filesystem::remove_all(dir);
}
#endif

}  // namespace
}  // namespace quibel::qpack
