// Real lh5 streams written by many archivers decode byte-exact without a bit past their end, nor more bytes unused
// after their last bit than qpack verify allows; each one cut short at many lengths decodes to exactly its decoded
// size or fails with ECorruptFile, as the step-by-step reference decoder does, and is found to have run past its
// end.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/Lh5Corpus.h"
#include "tests/support/Lh5Reference.h"
#include "tests/support/Lh5TestDecode.h"
#include "tools/qpack/inspect/PackageChecker.h"

namespace quibel::testing {
namespace {

class Lh5Corpus : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto directory = Lh5CorpusDirectory();
        if (!directory) {
            GTEST_SKIP() << "lh5 corpus not found: set QUIBEL_SHARED to the folder that holds lh5-corpus/";
        }
        members_ = LoadLh5Corpus(*directory);
        ASSERT_GE(members_.size(), 50u) << "corpus incomplete";
    }
    std::vector<CorpusMember> members_;
};

std::int32_t DecodedSize(const std::vector<std::uint8_t>& block) {
    return static_cast<std::int32_t>(block[0] | block[1] << 8 | block[2] << 16 |
                                     static_cast<std::uint32_t>(block[3]) << 24);
}

// With both bit-buffer widths: 32 bits as in the installer, 64 as on a 64-bit processor.
TEST_F(Lh5Corpus, EveryMemberDecodesByteExact) {
    for (const auto& member : members_) {
        ASSERT_FALSE(member.expected.empty()) << member.name;
        for (const int wordBits : {32, 64}) {
            const DecodeOutcome outcome = DecodeBlock(member.block, wordBits);
            EXPECT_FALSE(outcome.corrupt) << member.name << ", " << wordBits << " bits";
            EXPECT_EQ(outcome.bitsPastEnd, 0) << member.name << ", " << wordBits << " bits";
            // qpack verify calls more unused bytes damage: none of these streams is.
            EXPECT_LE(outcome.unusedBytes, qpack::kLargestUnusedStreamBytes) << member.name;
            EXPECT_TRUE(outcome.bytes == member.expected)
                << member.name << ", " << wordBits << " bits: " << outcome.bytes.size() << " bytes";
        }
    }
}

TEST_F(Lh5Corpus, EveryMemberCutShortDecodesLikeTheReference) {
    for (const auto& member : members_) {
        const auto length = member.block.size();
        std::vector<std::size_t> cuts;
        for (std::size_t cut = 0; cut <= std::min<std::size_t>(length, 8); ++cut) {
            cuts.push_back(cut);
        }
        for (int step = 1; step < 12; ++step) {
            cuts.push_back(length * static_cast<std::size_t>(step) / 12);
        }
        for (std::size_t back = 1; back <= 3 && back < length; ++back) {
            cuts.push_back(length - back);
        }
        for (const std::size_t cut : cuts) {
            const std::vector<std::uint8_t> block(member.block.begin(),
                                                  member.block.begin() + static_cast<std::ptrdiff_t>(cut));
            const DecodeOutcome outcome = DecodeBlock(block);
            bool referenceFailed = false;
            const auto reference = Lh5Reference::DecodeAll(block, referenceFailed);
            EXPECT_EQ(outcome.corrupt, referenceFailed) << member.name << " cut at " << cut;
            EXPECT_TRUE(outcome.bytes == reference) << member.name << " cut at " << cut;
            if (cut >= 4 && !outcome.corrupt) {
                EXPECT_EQ(outcome.bytes.size(), static_cast<std::size_t>(DecodedSize(block)));
                // Some encoders end with a byte the symbols never reach (lhasa's test stream has one), so only a
                // stream missing two bytes or more is sure to run past its end.
                for (const int wordBits : {32, 64}) {
                    if (cut + 2 <= length) {
                        EXPECT_GT(DecodeBlock(block, wordBits).bitsPastEnd, 0)
                            << member.name << " cut at " << cut << ", " << wordBits << " bits";
                    }
                }
            }
            if (cut >= 4 && outcome.corrupt) {
                EXPECT_EQ(outcome.bytes.size() % 8192, 0u) << "only whole chunks stay written";
            }
        }
    }
}

}  // namespace
}  // namespace quibel::testing
