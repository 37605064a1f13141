// Segment headers that form no usable code are rejected with "Compressed file is corrupt"; the boundary cases
// just inside the limits decode.
#include "payload/DecompressBlock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "payload/Errors.h"
#include "tests/support/BitWriter.h"
#include "tests/support/Lh5TestDecode.h"

namespace quibel::testing {
namespace {

// A length-code set that gives 4-bit codes to symbols 0..15 (a complete code): symbol s is sent as s in 4 bits.
void FourBitLengthCodes(BitWriter& bits) {
    bits.Put(16, 5);                               // n = 16
    bits.Put(4, 3).Put(4, 3).Put(4, 3).Put(0, 2);  // three lengths of 4, no zero run
    for (int s = 3; s < 16; ++s) {
        bits.Put(4, 3);
    }
}

void OneSymbolOffsets(BitWriter& bits) {
    bits.Put(0, 4).Put(0, 4);  // offset set: n = 0, symbol 0
}

void OneSymbolLengthCodes(BitWriter& bits) {
    bits.Put(0, 5).Put(0, 5);  // length-code set: n = 0, symbol 0
}

void OneSymbolMain(BitWriter& bits) {
    bits.Put(0, 9).Put('a', 9);  // main set: n = 0, literal 'a'
}

// Small-set length of v (< 7) or 7 + ones.
void SmallLength(BitWriter& bits, int length) {
    if (length < 7) {
        bits.Put(static_cast<std::uint32_t>(length), 3);
    } else {
        bits.Put(7, 3).Ones(length - 7).Put(0, 1);
    }
}

struct Case {
    const char* name;
    bool corrupt;
    std::function<void(BitWriter&)> header;  // after the 16-bit symbol count
};

TEST(DecompressBlockRejects, SegmentHeaders) {
    const Case cases[] = {
        // Length-code set.
        {"length-code count 20 > 19", true, [](BitWriter& b) { b.Put(20, 5); }},
        {"length-code count 31", true, [](BitWriter& b) { b.Put(31, 5); }},
        {"length-code single symbol 19", true, [](BitWriter& b) { b.Put(0, 5).Put(19, 5); }},
        {"length-code single symbol 31", true, [](BitWriter& b) { b.Put(0, 5).Put(31, 5); }},
        {"length-code single symbol 18 is fine", false,
         [](BitWriter& b) {
             b.Put(0, 5).Put(18, 5);   // every main length 16 ...
             b.Put(0, 9).Put('a', 9);  // ... but the main set is sent as one symbol
             OneSymbolOffsets(b);
         }},
        {"one length of 1 with n > 0 (2^15 is no complete code)", true, [](BitWriter& b) { b.Put(1, 5).Put(1, 3); }},
        {"all lengths 0 with n > 0", true, [](BitWriter& b) { b.Put(2, 5).Put(0, 3).Put(0, 3); }},
        {"over-full code summing to 2 x 2^16", true,
         [](BitWriter& b) { b.Put(4, 5).Put(1, 3).Put(1, 3).Put(1, 3).Put(0, 2).Put(1, 3); }},
        {"length 17", true, [](BitWriter& b) { b.Put(1, 5).Put(7, 3).Ones(10).Put(0, 1); }},
        {"length 20: thirteen 1 bits", true, [](BitWriter& b) { b.Put(1, 5).Put(7, 3).Ones(16); }},
        {"lengths 1 and 16 ... 16 is fine when complete", false,
         [](BitWriter& b) {
             b.Put(17, 5);  // lengths 1, 2, ..., 15, 16, 16 for symbols 0..16
             for (int l = 1; l <= 17; ++l) {
                 SmallLength(b, l == 17 ? 16 : l);
                 if (l == 3) {
                     b.Put(0, 2);
                 }
             }
             OneSymbolMain(b);
             OneSymbolOffsets(b);
         }},
        // Main set.
        {"main count 511", true, [](BitWriter& b) { OneSymbolLengthCodes(b), b.Put(511, 9); }},
        {"main single symbol 510", true, [](BitWriter& b) { OneSymbolLengthCodes(b), b.Put(0, 9).Put(510, 9); }},
        {"main single symbol 511", true, [](BitWriter& b) { OneSymbolLengthCodes(b), b.Put(0, 9).Put(511, 9); }},
        {"main single symbol 509 is fine", false,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             b.Put(0, 9).Put(509, 9);
             OneSymbolOffsets(b);
         }},
        {"main zero run of 531 from position 0", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(510, 9).Put(2, 4).Put(511, 9);
         }},
        {"main zero run of 20 from position 491 (past 510)", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(510, 9).Put(2, 4).Put(471, 9);  // positions 0..490 zero
             b.Put(2, 4).Put(0, 9);                // 20 more: 511 > 510
         }},
        {"main zero run of 18 from position 493 (past 510)", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(510, 9).Put(2, 4).Put(473, 9);  // positions 0..492 zero
             b.Put(1, 4).Put(15, 4);               // 18 more: 511 > 510
         }},
        {"main zero runs ending exactly at 510 are fine", false,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(510, 9);
             b.Put(3, 4).Put(3, 4);    // symbols 0, 1: length 1 (length code 3)
             b.Put(2, 4).Put(488, 9);  // 508 zeros: positions 2..509
             OneSymbolOffsets(b);
         }},
        {"main lengths all 0 with n > 0", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(5, 9).Put(1, 4).Put(2, 4);  // five zero lengths
         }},
        {"main over-full: four lengths of 1", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(4, 9).Put(3, 4).Put(3, 4).Put(3, 4).Put(3, 4);
         }},
        {"main single code of length 1", true,
         [](BitWriter& b) {
             FourBitLengthCodes(b);
             b.Put(1, 9).Put(3, 4);
         }},
        // Offset set.
        {"offset count 15 > 14", true,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(15, 4);
         }},
        {"offset single symbol 14", true,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(0, 4).Put(14, 4);
         }},
        {"offset single symbol 15", true,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(0, 4).Put(15, 4);
         }},
        {"offset lengths all 0 with n > 0", true,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(3, 4).Put(0, 3).Put(0, 3).Put(0, 3);
         }},
        {"offset over-full", true,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(4, 4).Put(1, 3).Put(1, 3).Put(1, 3).Put(1, 3);
         }},
        {"offset set with 14 lengths is fine", false,
         [](BitWriter& b) {
             OneSymbolLengthCodes(b);
             OneSymbolMain(b);
             b.Put(14, 4);
             for (int v = 0; v < 14; ++v) {
                 SmallLength(b, v < 12 ? 4 : 3);  // 12 x 2^12 + 2 x 2^13 = 2^16
             }
         }},
    };
    for (const auto& c : cases) {
        BitWriter bits;
        bits.Put(3, 16);  // symbol count
        c.header(bits);
        const DecodeOutcome outcome = DecodeBlock(MakeBlock(3, bits.Bytes()));
        EXPECT_EQ(outcome.corrupt, c.corrupt) << c.name;
        EXPECT_EQ(outcome.bytes.size(), c.corrupt ? 0u : 3u) << c.name;
    }
}

TEST(DecompressBlockRejects, MessageIsTheSystemsOwn) {
    BitWriter bits;
    bits.Put(1, 16).Put(20, 5);
    PayloadStream source;
    source.Replace(MakeBlock(1, bits.Bytes()));
    PayloadStream destination;
    try {
        DecompressBlock(source, destination);
        FAIL() << "no failure";
    } catch (const ECorruptFile& failure) {
        EXPECT_STREQ(failure.what(), "Compressed file is corrupt");
    }
}

}  // namespace
}  // namespace quibel::testing
