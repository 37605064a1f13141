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

// Read from a source as the walk reaches it, a stream gives what the same bytes in memory give, across its
// window's edges; a source that holds fewer bytes than it said gives EReadError.
TEST(PayloadStream, ReadsFromASourceAsFromMemory) {
    class ShortSource final : public ByteSource {
      public:
        explicit ShortSource(std::int64_t promised) : promised_(promised) {}
        std::int64_t Size() const override { return promised_; }
        std::size_t ReadAt(std::int64_t, std::uint8_t*, std::size_t) override { return 0; }

      private:
        std::int64_t promised_;
    };
    std::vector<std::uint8_t> bytes(200000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    MemorySource source(bytes);
    const struct {
        std::int64_t position;
        std::int32_t count;  // a copy of that many bytes
    } steps[] = {{0, 10}, {65530, 12}, {65536, 70000}, {10, 3}, {199990, 10}, {199995, 10}, {131070, 4}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.position);
        PayloadStream memory;
        memory.Replace(bytes);
        PayloadStream read;
        read.ReadFrom(source, source.Size());
        for (PayloadStream* stream : {&memory, &read}) {
            stream->SetPosition(step.position);
        }
        std::uint16_t wordInMemory = 0;
        std::uint16_t wordRead = 0;
        EXPECT_EQ(memory.ReadUInt16(wordInMemory), read.ReadUInt16(wordRead));
        EXPECT_EQ(wordInMemory, wordRead);
        PayloadStream fromMemory;
        PayloadStream fromRead;
        const bool copied = step.position + 2 + step.count <= static_cast<std::int64_t>(bytes.size());
        if (copied) {
            memory.CopyTo(fromMemory, step.count);
            read.CopyTo(fromRead, step.count);
        } else {
            EXPECT_THROW(read.CopyTo(fromRead, step.count), EReadError);
        }
        EXPECT_EQ(fromMemory.Bytes(), fromRead.Bytes());
        EXPECT_EQ(read.Position(), copied ? memory.Position() : read.Size());
    }
    ShortSource shortSource(100);
    PayloadStream read;
    read.ReadFrom(shortSource, 100);
    std::uint8_t byte = 0;
    EXPECT_THROW(read.Read(&byte, 1), EReadError);
}

}  // namespace
}  // namespace quibel
