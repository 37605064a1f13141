// Damaged streams: generated streams with flipped bits, cut short or spliced decode exactly as the step-by-step
// reference decoder does (same bytes, same failure); decoding on several threads at once gives the same bytes.
#include "payload/DecompressBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/BitWriter.h"
#include "tests/support/Lh5Reference.h"
#include "tests/support/Lh5StreamBuilder.h"
#include "tests/support/Lh5TestDecode.h"

namespace quibel::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `count` symbols drawn from the segment's sets: literals, and matches at a random distance of their offset symbol.
void WriteRandomSymbols(Lh5StreamBuilder& lh5,
                        std::mt19937& random,
                        int count,
                        const std::vector<int>& mainSymbols,
                        const std::vector<int>& offsetSymbols,
                        std::int32_t& size) {
    for (int i = 0; i < count; ++i) {
        const int symbol = mainSymbols[random() % mainSymbols.size()];
        if (symbol < 256) {
            lh5.Literal(symbol);
            size += 1;
            continue;
        }
        const int v = offsetSymbols[random() % offsetSymbols.size()];
        const int distance = v == 0 ? 1 : (1 << (v - 1)) + static_cast<int>(random() % (1u << (v - 1))) + 1;
        lh5.Match(symbol - 253, distance);
        size += symbol - 253;
    }
}

// A well-formed block of a few segments with random code sets, literals and matches.
Bytes RandomBlock(std::mt19937& random, std::int32_t& size) {
    BitWriter bits;
    Lh5StreamBuilder lh5(bits);
    size = 0;
    const int segments = 1 + static_cast<int>(random() % 3);
    for (int segment = 0; segment < segments; ++segment) {
        std::vector<int> mainSymbols;
        for (int s = 0; s < kMainSymbols; ++s) {
            if (random() % 4 == 0) {
                mainSymbols.push_back(s);
            }
        }
        mainSymbols.push_back(7);
        mainSymbols.push_back(300);
        std::vector<int> offsetSymbols;
        for (int v = 0; v < kOffsetSymbols; ++v) {
            if (random() % 2 == 0 || v == 13) {
                offsetSymbols.push_back(v);
            }
        }
        const int count = 1 + static_cast<int>(random() % 3000);
        lh5.Segment(static_cast<std::uint32_t>(count), CodeSet::Over(kMainSymbols, mainSymbols),
                    CodeSet::Over(kOffsetSymbols, offsetSymbols));
        WriteRandomSymbols(lh5, random, count, mainSymbols, offsetSymbols, size);
    }
    return MakeBlock(size, bits.Bytes());
}

// Both bit-buffer widths, whichever the processor's: they refill at different points of the stream.
// A complete code with lengths 1, 2, 3, ... over the symbols in random order, the last two sharing the longest.
CodeSet Staircase(int setSize, std::vector<int> symbols, std::mt19937& random) {
    std::shuffle(symbols.begin(), symbols.end(), random);
    CodeSet set{std::vector<int>(static_cast<std::size_t>(setSize), 0)};
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        set.lengths[static_cast<std::size_t>(symbols[i])] = static_cast<int>(std::min(i + 1, symbols.size() - 1));
    }
    return set;
}

// Deep codes: 17 main symbols with codes of up to 16 bits and the 14 offset symbols with up to 13, so that one
// match can take 16 + 13 + 12 bits, more than a 32-bit reader loads at once.
Bytes DeepCodeBlock(std::mt19937& random, std::int32_t& size) {
    BitWriter bits;
    Lh5StreamBuilder lh5(bits);
    std::vector<int> mainSymbols = {0, 'a', 'b', 255, kMainSymbols - 1};
    while (mainSymbols.size() < 17) {
        mainSymbols.push_back(256 + static_cast<int>(random() % (kMainSymbols - 257)));
        std::sort(mainSymbols.begin(), mainSymbols.end());
        mainSymbols.erase(std::unique(mainSymbols.begin(), mainSymbols.end()), mainSymbols.end());
    }
    std::vector<int> offsetSymbols(kOffsetSymbols);
    std::iota(offsetSymbols.begin(), offsetSymbols.end(), 0);
    const int count = 2000;
    lh5.Segment(count, Staircase(kMainSymbols, mainSymbols, random), Staircase(kOffsetSymbols, offsetSymbols, random));
    size = 0;
    WriteRandomSymbols(lh5, random, count, mainSymbols, offsetSymbols, size);
    return MakeBlock(size, bits.Bytes());
}

void ExpectSameAsReference(const Bytes& block, const char* what, int round) {
    bool referenceFailed = false;
    const Bytes reference = Lh5Reference::DecodeAll(block, referenceFailed);
    for (const int wordBits : {32, 64}) {
        const DecodeOutcome outcome = DecodeBlock(block, wordBits);
        EXPECT_EQ(outcome.corrupt, referenceFailed) << what << " round " << round << ", " << wordBits << " bits";
        EXPECT_TRUE(outcome.bytes == reference)
            << what << " round " << round << ", " << wordBits << " bits: " << outcome.bytes.size() << " vs "
            << reference.size() << " bytes";
    }
}

TEST(DecompressBlockDifferential, DamagedStreamsDecodeAsTheReferenceDoes) {
    std::mt19937 random(20261208);
    int failures = 0;
    for (int round = 0; round < 200; ++round) {
        std::int32_t size = 0;
        Bytes block = RandomBlock(random, size);
        ExpectSameAsReference(block, "intact", round);

        Bytes flipped = block;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
            const std::size_t at = 4 + random() % (flipped.size() - 4);
            flipped[at] = static_cast<std::uint8_t>(flipped[at] ^ (1u << (random() % 8)));
        }
        ExpectSameAsReference(flipped, "flipped bits", round);
        failures += DecodeBlock(flipped).corrupt;

        Bytes cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(4 + random() % (block.size() - 4)));
        ExpectSameAsReference(cut, "cut short", round);

        Bytes noise = MakeBlock(static_cast<std::int32_t>(random() % 20000), {});
        for (int i = static_cast<int>(random() % 200); i > 0; --i) {
            noise.push_back(static_cast<std::uint8_t>(random()));
        }
        ExpectSameAsReference(noise, "noise", round);
    }
    EXPECT_GT(failures, 0) << "the damage should make some headers fail";
}

TEST(DecompressBlockDifferential, DeepCodesDecodeAsTheReferenceDoes) {
    std::mt19937 random(41);
    for (int round = 0; round < 40; ++round) {
        std::int32_t size = 0;
        const Bytes block = DeepCodeBlock(random, size);
        ExpectSameAsReference(block, "deep codes", round);
        EXPECT_EQ(DecodeBlock(block, 32).bytes.size(), static_cast<std::size_t>(size)) << round;
    }
}

TEST(DecompressBlockDifferential, ConcurrentDecodesShareNothing) {
    std::mt19937 random(7);
    std::vector<Bytes> blocks;
    std::vector<Bytes> expected;
    for (int i = 0; i < 8; ++i) {
        std::int32_t size = 0;
        blocks.push_back(RandomBlock(random, size));
        expected.push_back(DecodeBlock(blocks.back()).bytes);
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round) {
                for (std::size_t i = 0; i < blocks.size(); ++i) {
                    const std::size_t which = (i + static_cast<std::size_t>(t)) % blocks.size();
                    mismatches[static_cast<std::size_t>(t)] += DecodeBlock(blocks[which]).bytes != expected[which];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace quibel::testing
