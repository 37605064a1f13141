#include "payload/PayloadStream.h"

#include <gtest/gtest.h>

#include "payload/Errors.h"

namespace quibel {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

TEST(PayloadStream, ReplaceKeepsPositionUnlessBeyondNewEnd) {
    PayloadStream stream;
    stream.Replace(Bytes({1, 2, 3, 4, 5, 6}));
    stream.SetPosition(4);
    stream.Replace(Bytes({9, 9, 9, 9, 9}));
    EXPECT_EQ(stream.Position(), 4);
    stream.Replace(Bytes({7, 7}));
    EXPECT_EQ(stream.Position(), 2);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(PayloadStream, ReadDeliversWhatRemainsAndNeverFails) {
    struct Case {
        std::int64_t position;
        std::int32_t count;
        std::int32_t delivered;
        std::int64_t positionAfter;
    };
    const Case cases[] = {{0, 3, 3, 3}, {3, 10, 2, 5}, {5, 1, 0, 5}, {9, 4, 0, 9}, {1, -1, 0, 1}, {2, 0, 0, 2}};
    for (const auto& c : cases) {
        PayloadStream stream;
        stream.Replace(Bytes({10, 11, 12, 13, 14}));
        stream.SetPosition(c.position);
        std::uint8_t buffer[16] = {};
        EXPECT_EQ(stream.Read(buffer, c.count), c.delivered) << c.position << " " << c.count;
        EXPECT_EQ(stream.Position(), c.positionAfter);
        if (c.delivered > 0) {
            EXPECT_EQ(buffer[0], 10 + c.position);
        }
    }
}

TEST(PayloadStream, CopyToFailsWithReadErrorWhenTooFewRemain) {
    PayloadStream source;
    source.Replace(Bytes({1, 2, 3, 4}));
    source.SetPosition(1);
    PayloadStream target;
    source.CopyTo(target, 2);
    EXPECT_EQ(target.Bytes(), Bytes({2, 3}));
    EXPECT_EQ(source.Position(), 3);
    source.CopyTo(target, 0);
    EXPECT_EQ(source.Position(), 3);

    try {
        source.CopyTo(target, 2);
        FAIL() << "copy past the end succeeded";
    } catch (const EReadError& failure) {
        EXPECT_STREQ(failure.what(), "Erreur de lecture du flux");
    }
    EXPECT_EQ(source.Position(), 4);

    source.SetPosition(1);
    EXPECT_THROW(source.CopyTo(target, -1), EReadError);
    EXPECT_EQ(source.Position(), 1);
}

TEST(PayloadStream, ANegativePositionIsRefused) {
    PayloadStream stream;
    stream.Replace(Bytes({1, 2, 3}));
    stream.SetPosition(2);
    for (const std::int64_t position : {std::int64_t{-1}, std::int64_t{INT32_MIN}, std::int64_t{INT64_MIN}}) {
        try {
            stream.SetPosition(position);
            ADD_FAILURE() << position << " was taken";
        } catch (const EReadError& failure) {
            EXPECT_STREQ(failure.what(), "Erreur de lecture du flux");
        }
        EXPECT_EQ(stream.Position(), 2);
        EXPECT_EQ(stream.Remaining(), 1);
    }
}

TEST(PayloadStream, ReadsLittleEndianFields) {
    PayloadStream stream;
    stream.Replace(Bytes({0x45, 0x54, 0x00, 0x00, 0x00, 0x80, 0x19}));
    std::uint16_t word = 0;
    std::int32_t count = 0;
    ASSERT_TRUE(stream.ReadUInt16(word));
    EXPECT_EQ(word, 0x5445);
    ASSERT_TRUE(stream.ReadInt32(count));
    EXPECT_EQ(count, INT32_MIN);
    EXPECT_FALSE(stream.ReadUInt16(word));
    EXPECT_EQ(stream.Position(), 7);
}

}  // namespace
}  // namespace quibel
