// Well-formed and boundary streams: framing, chunking, matches across chunks, one-symbol sets, long codes.
#include "payload/DecompressBlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "payload/Errors.h"
#include "tests/support/BitWriter.h"
#include "tests/support/Lh5StreamBuilder.h"
#include "tests/support/Lh5TestDecode.h"

namespace quibel::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A stream written through the builder together with the bytes it must decode to, worked out plainly: a match
// copies byte by byte from `distance` back, zeros before the first byte.
struct Scripted {
    BitWriter bits;
    Lh5StreamBuilder lh5{bits};
    Bytes expected;

    void Literal(int byte) {
        lh5.Literal(byte);
        expected.push_back(static_cast<std::uint8_t>(byte));
    }
    void Literals(int count, int (*byteAt)(int)) {
        for (int i = 0; i < count; ++i) {
            Literal(byteAt(i));
        }
    }
    void Match(int length, int distance) {
        lh5.Match(length, distance);
        for (int i = 0; i < length; ++i) {
            const auto at = static_cast<std::ptrdiff_t>(expected.size()) - distance;
            expected.push_back(at >= 0 ? expected[static_cast<std::size_t>(at)] : 0);
        }
    }
    // The block decoding `size` bytes (the expected bytes are cut or left as they are).
    Bytes Block(std::int32_t size) const { return MakeBlock(size, bits.Bytes()); }
};

std::vector<int> AllLiteralsAnd(std::initializer_list<int> more) {
    std::vector<int> symbols;
    for (int b = 0; b < 256; ++b) {
        symbols.push_back(b);
    }
    symbols.insert(symbols.end(), more);
    return symbols;
}

int MatchSymbol(int length) {
    return length + 253;
}

int Varied(int i) {
    return (i * 7 + i / 251) % 256;
}

TEST(DecompressBlock, SizeFieldDecidesWhatIsWritten) {
    struct Case {
        const char* name;
        Bytes block;
        Bytes expected;
    };
    const Bytes garbage = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // would be a corrupt header
    const Case cases[] = {
        {"empty source", {}, {}},
        {"three bytes: no whole size field", {5, 0, 0}, {}},
        {"size 0, corrupt bits after it", MakeBlock(0, garbage), {}},
        {"size -1", MakeBlock(-1, garbage), {}},
        {"most negative size", MakeBlock(INT32_MIN, garbage), {}},
        {"size field only: zeros", MakeBlock(10, {}), Bytes(10, 0)},
        {"size field only, more than one segment of zeros", MakeBlock(70000, {}), Bytes(70000, 0)},
    };
    for (const auto& c : cases) {
        const DecodeOutcome outcome = DecodeBlock(c.block);
        EXPECT_FALSE(outcome.corrupt) << c.name;
        EXPECT_EQ(outcome.bytes, c.expected) << c.name;
    }
}

TEST(DecompressBlock, ReadsFromTheSourcePositionAndWritesAtTheDestinationPosition) {
    Scripted s;
    s.lh5.Segment(3, CodeSet::Over(kMainSymbols, {'a', 'b', 'c'}), CodeSet::One(0));
    s.Literal('a');
    s.Literal('b');
    s.Literal('c');
    Bytes block = {9, 9, 9};
    const Bytes rest = s.Block(3);
    block.insert(block.end(), rest.begin(), rest.end());

    PayloadStream source;
    source.Replace(block);
    source.SetPosition(3);
    PayloadStream destination;
    destination.Replace({'x', 'y', 'z', 'w', 'v'});
    destination.SetPosition(1);
    DecompressBlock(source, destination);
    EXPECT_EQ(destination.Bytes(), (Bytes{'x', 'a', 'b', 'c', 'v'}));
    EXPECT_EQ(destination.Position(), 4);
}

// Streams built with the builder, decoded whole and compared with the plainly worked-out bytes.
TEST(DecompressBlock, ScriptedStreams) {
    struct Case {
        const char* name;
        std::function<void(Scripted&)> write;
    };
    const Case cases[] = {
        {"distance 1 repeats the last byte; a 256-byte match",
         [](Scripted& s) {
             s.lh5.Segment(3, CodeSet::Over(kMainSymbols, {'x', MatchSymbol(256), MatchSymbol(3)}), CodeSet::One(0));
             s.Literal('x');
             s.Match(256, 1);
             s.Match(3, 1);
         }},
        {"distance 8,192 copies the byte one window back",
         [](Scripted& s) {
             s.lh5.Segment(8192 + 2, CodeSet::Over(kMainSymbols, AllLiteralsAnd({MatchSymbol(3), MatchSymbol(200)})),
                           CodeSet::Over(kOffsetSymbols, {0, 13}));
             s.Literals(8192, Varied);
             s.Match(3, 8192);
             s.Match(200, 8192);
         }},
        {"overlapping matches at distances 2 to 9",
         [](Scripted& s) {
             s.lh5.Segment(20, CodeSet::Over(kMainSymbols, AllLiteralsAnd({MatchSymbol(17), MatchSymbol(40)})),
                           CodeSet::Over(kOffsetSymbols, {1, 2, 3, 4}));
             s.Literals(10, Varied);
             for (int distance = 2; distance <= 9; ++distance) {
                 s.Match(distance % 2 ? 17 : 40, distance);
             }
         }},
        {"a match that starts in one chunk and ends in the next",
         [](Scripted& s) {
             s.lh5.Segment(8190 + 2, CodeSet::Over(kMainSymbols, AllLiteralsAnd({MatchSymbol(100)})),
                           CodeSet::Over(kOffsetSymbols, {7, 12, 13}));
             s.Literals(8190, Varied);
             s.Match(100, 3000);  // bytes 8190..8289: two in the first chunk
             s.Match(100, 8192);  // reaches back across the chunk boundary
         }},
        {"a match reaching before the first byte copies zeros",
         [](Scripted& s) {
             s.lh5.Segment(2, CodeSet::Over(kMainSymbols, {'m', MatchSymbol(10)}), CodeSet::One(13));
             s.Literal('m');
             s.Match(10, 4096 + 5);
         }},
        {"segments follow each other unaligned, tables change",
         [](Scripted& s) {
             s.lh5.Segment(2, CodeSet::Over(kMainSymbols, {'a', 'b', 'c'}), CodeSet::One(0));
             s.Literal('a');
             s.Literal('c');
             s.lh5.Segment(3, CodeSet::Over(kMainSymbols, {'c', 'd', MatchSymbol(5)}), CodeSet::Over(14, {1, 2}));
             s.Literal('d');
             s.Match(5, 2);
             s.Literal('c');
         }},
        {"codes of 13 to 16 bits go through the nodes",
         [](Scripted& s) {
             CodeSet main{std::vector<int>(kMainSymbols, 0)};
             for (int l = 1; l <= 15; ++l) {
                 main.lengths[static_cast<std::size_t>(l * 11)] = l;  // 11, 22, ..., 165
             }
             main.lengths[200] = 16;
             main.lengths[MatchSymbol(9)] = 16;
             CodeSet offset{std::vector<int>(kOffsetSymbols, 0)};
             for (int v = 0; v < 13; ++v) {
                 offset.lengths[static_cast<std::size_t>(v)] = v + 1;  // 3-bit and unary lengths up to 13
             }
             offset.lengths[13] = 13;
             s.lh5.Segment(30, main, offset);
             for (int l = 15; l >= 1; --l) {
                 s.Literal(l * 11);
             }
             s.Literal(200);
             for (int v = 0; v <= 13; ++v) {
                 s.Match(9, v == 0 ? 1 : (1 << (v - 1)) + 1);
             }
         }},
        {"a length-code set sent as one symbol: every main length 1 without bits",
         [](Scripted& s) {
             s.bits.Put(4, 16);           // symbol count
             s.bits.Put(0, 5).Put(3, 5);  // length-code set: n = 0, symbol 3 ("length 1")
             s.bits.Put(2, 9);            // main set: n = 2, lengths read with no bits
             s.bits.Put(0, 4).Put(0, 4);  // offset set: n = 0, symbol 0
             s.bits.Put(0b0110, 4);       // literals 0, 1, 1, 0
             s.expected = {0, 1, 1, 0};
         }},
        {"a length-code list of 3 still reads its zero run",
         [](Scripted& s) {
             s.bits.Put(2, 16);                     // symbol count
             s.bits.Put(3, 5);                      // length-code set: n = 3
             s.bits.Put(1, 3).Put(2, 3).Put(2, 3);  // lengths 1, 2, 2: codes 0, 10, 11
             s.bits.Put(0, 2);                      // zero run of 0, read although n = 3
             s.bits.Put(0, 9).Put('Z', 9);          // main set: n = 0, literal 'Z'
             s.bits.Put(0, 4).Put(0, 4);            // offset set: n = 0, symbol 0
             s.expected = {'Z', 'Z'};
         }},
        {"zero-run lengths count as filled",
         [](Scripted& s) {
             s.bits.Put(1, 16);                     // symbol count
             s.bits.Put(6, 5);                      // length-code set: n = 6
             s.bits.Put(1, 3).Put(2, 3).Put(2, 3);  // lengths 1, 2, 2
             s.bits.Put(3, 2);                      // zero run of 3: positions 3..5, n reached
             s.bits.Put(0, 9).Put('q', 9);          // main set: n = 0, literal 'q'
             s.bits.Put(0, 4).Put(0, 4);            // offset set: n = 0, symbol 0
             s.expected = {'q'};
         }},
        {"a main zero run may carry past the count",
         [](Scripted& s) {
             s.bits.Put(2, 16);                     // symbol count
             s.bits.Put(4, 5);                      // length-code set: n = 4
             s.bits.Put(0, 3).Put(0, 3).Put(1, 3);  // lengths 0, 0, 1 (symbol 2: code 0)
             s.bits.Put(0, 2);                      // no zero run
             s.bits.Put(1, 3);                      // length 1 for symbol 3: code 1
             s.bits.Put(3, 9);                      // main set: n = 3
             s.bits.Put(1, 1).Put(1, 1);            // symbols 0 and 1: length 1
             s.bits.Put(0, 1).Put(100, 9);          // 120 zeros from position 2: far past n = 3
             s.bits.Put(0, 4).Put(0, 4);            // offset set: n = 0, symbol 0
             s.bits.Put(1, 1).Put(0, 1);            // literals 1, 0
             s.expected = {1, 0};
         }},
    };
    for (const auto& c : cases) {
        Scripted s;
        c.write(s);
        const auto size = static_cast<std::int32_t>(s.expected.size());
        const DecodeOutcome outcome = DecodeBlock(s.Block(size));
        EXPECT_FALSE(outcome.corrupt) << c.name;
        EXPECT_EQ(outcome.bytes, s.expected) << c.name;
    }
}

TEST(DecompressBlock, ChunkSizesAroundTheWindow) {
    for (const std::int32_t size : {1, 8191, 8192, 8193, 16384, 16385, 65536, 65537}) {
        Scripted s;
        s.lh5.Segment(0, CodeSet::Over(kMainSymbols, AllLiteralsAnd({})), CodeSet::One(0));  // 65,536 symbols
        s.Literals(65536, Varied);
        s.lh5.Segment(1, CodeSet::One('e'), CodeSet::One(0));
        s.Literal('e');
        const DecodeOutcome outcome = DecodeBlock(s.Block(size));
        ASSERT_FALSE(outcome.corrupt) << size;
        EXPECT_EQ(outcome.bytes, Bytes(s.expected.begin(), s.expected.begin() + size)) << size;
    }
}

TEST(DecompressBlock, DecodedSizeEndsAMatchAndNothingMoreIsRead) {
    Scripted s;
    s.lh5.Segment(2, CodeSet::Over(kMainSymbols, {'k', MatchSymbol(256)}), CodeSet::One(0));
    s.Literal('k');
    s.Match(256, 1);
    s.bits.Put(0xFFFF, 16).Put(0xFFFFFFFF, 32);  // a corrupt header that is never reached
    for (const std::int32_t size : {1, 2, 100, 257}) {
        const DecodeOutcome outcome = DecodeBlock(s.Block(size));
        EXPECT_FALSE(outcome.corrupt) << size;
        EXPECT_EQ(outcome.bytes, Bytes(static_cast<std::size_t>(size), 'k')) << size;
    }
    EXPECT_TRUE(DecodeBlock(s.Block(258)).corrupt);
}

TEST(DecompressBlock, SymbolCountZeroHoldsAFullSegmentOfSymbolsThatTakeNoBits) {
    Scripted s;
    s.lh5.Segment(0, CodeSet::One('A'), CodeSet::One(0));  // 65,536 literals 'A', no bits each
    s.expected.assign(65536, 'A');
    s.lh5.Segment(2, CodeSet::One(MatchSymbol(7)), CodeSet::One(1));  // matches of 7 at distance 2
    s.Match(7, 2);
    s.Match(7, 2);
    s.lh5.Segment(5, CodeSet::One('B'), CodeSet::One(0));
    s.Literals(5, [](int) -> int { return 'B'; });
    const DecodeOutcome outcome = DecodeBlock(s.Block(static_cast<std::int32_t>(s.expected.size())));
    EXPECT_FALSE(outcome.corrupt);
    EXPECT_EQ(outcome.bytes, s.expected);
}

TEST(DecompressBlock, ChunksBeforeAFailureStayWritten) {
    BitWriter bits;
    Lh5StreamBuilder lh5(bits);
    lh5.Segment(8200, CodeSet::One('A'), CodeSet::One(0));
    bits.Put(1, 16).Put(20, 5);  // next segment: length-code count 20 > 19
    // 8,200 bytes end before the bad header; 9,000 reach it inside the second chunk, whose bytes are then lost.
    const DecodeOutcome whole = DecodeBlock(MakeBlock(8200, bits.Bytes()));
    EXPECT_FALSE(whole.corrupt);
    EXPECT_EQ(whole.bytes, Bytes(8200, 'A'));
    const DecodeOutcome cut = DecodeBlock(MakeBlock(9000, bits.Bytes()));
    EXPECT_TRUE(cut.corrupt);
    EXPECT_EQ(cut.bytes, Bytes(8192, 'A'));
}

TEST(DecompressBlock, AStreamCutShortDecodesOnFromZeroBits) {
    Scripted s;
    s.lh5.Segment(10, CodeSet::Over(kMainSymbols, {'a', 'b', 'c', 'd'}), CodeSet::One(0));  // 'a' has code 00
    s.Literal('d');
    s.Literal('c');
    s.Literal('b');
    s.Literal('d');
    // The stream ends here: the segment's last six symbols read zero bits, then the zero bits make a segment
    // of 65,536 zero literals.
    Bytes expected = s.expected;
    expected.resize(10, 'a');
    expected.resize(10 + 1000, 0);
    const DecodeOutcome outcome = DecodeBlock(s.Block(10 + 1000));
    EXPECT_FALSE(outcome.corrupt);
    EXPECT_EQ(outcome.bytes, expected);
}

// The decoded content gets the room its block claims before decoding starts, beyond the 256 MiB that used to cap
// it (whose growth by doubling a 32-bit process could not follow past 512 MiB). A claim that can't be had is no
// failure: the content then starts from a capped room. A header that is corrupt from its first field stops the
// decoding before a byte is written, so only address space is taken.
TEST(DecompressBlock, DecodedContentGetsItsClaimedRoomUpFront) {
    constexpr std::int64_t MiB = 1 << 20;
    for (const std::int64_t claimed : {std::int64_t{1000 * 1000 + 1}, 300 * MiB, 700 * MiB}) {
        std::vector<std::uint8_t> block = BitWriter().Put(1, 16).Put(20, 5).Bytes();  // length-code count 20
        const auto size = static_cast<std::uint32_t>(claimed);
        block.insert(block.begin(), {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                     static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)});
        PayloadStream source;
        source.Replace(block);
        PayloadStream content;
        EXPECT_THROW(DecompressBlock(source, content), ECorruptFile);
        const auto room = static_cast<std::int64_t>(content.Bytes().capacity());
        EXPECT_TRUE(room == claimed || (sizeof(void*) == 4 && claimed > 256 * MiB && room == 256 * MiB))
            << claimed << " bytes claimed, room for " << room;
        EXPECT_EQ(content.Size(), 0);
    }
}

}  // namespace
}  // namespace quibel::testing
