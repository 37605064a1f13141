#pragma once
// The lh5 bit stream: bytes in order, each from its most significant bit down, followed by an endless run of
// zero bits once the data ends (a stream cut short decodes on from zeros, as the format expects).
//
// State: `bits` holds the next bits of the stream left-aligned (the next bit is the word's top bit); `count` of
// them are loaded (RefillGuarantee..BitBufferBits - 1 after Refill, so that a shift by `count` stays defined).
// Bits below `count` are either zero or the stream's own following bits, so loading a byte again at the same
// place changes nothing. Past the end Refill sets `count` to BitBufferBits - 1: the zeros shifted in from below
// are the stream's endless zero tail.
//
// The buffer is a machine word: 64 bits where the processor has them, 32 on a 32-bit one (the installer), where
// shifting a 64-bit pair of registers on every symbol costs more than refilling more often.
//
// How far the symbols ran into the zero tail is known only at the end: every refill at the end adds its zeros to
// `tailBits`, so that the bits consumed are the bytes passed plus those zeros less what is still loaded. Only the
// refill near the end keeps that count; the symbol loop pays nothing for it.

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quibel::lh5 {

// The processor's own word; the decoder is also built for the other width, so that both are tested anywhere.
using NativeBitWord = std::conditional_t<(sizeof(void*) >= 8), std::uint64_t, std::uint32_t>;

template <typename Word>
struct BasicBitReader {
    static_assert(std::is_same_v<Word, std::uint32_t> || std::is_same_v<Word, std::uint64_t>);
    static constexpr int BitBufferBits = 8 * sizeof(Word);
    // Bits guaranteed after Refill: 56 on 64 bits (a main symbol, an offset symbol and its extra bits:
    // 16+16+12), 24 on 32 bits (one symbol and the extra bits that follow it).
    static constexpr int RefillGuarantee = BitBufferBits - 8;

    const std::uint8_t* next;
    const std::uint8_t* end;
    Word bits = 0;
    int count = 0;
    std::int64_t tailBits = 0;  // zero bits loaded past the end of the stream

    BasicBitReader(const std::uint8_t* begin, const std::uint8_t* stop) : next(begin), end(stop) {}

    void Refill() {
        if (end - next >= static_cast<std::ptrdiff_t>(sizeof(Word))) {
            bits |= LoadBigEndian(next) >> count;
            next += (BitBufferBits - 1 - count) >> 3;
            count |= RefillGuarantee;
        } else {
            RefillNearEnd();
        }
    }

    // Refills unless n bits (n <= RefillGuarantee) are loaded already.
    void Ensure(int n) {
        if (count < n) {
            Refill();
        }
    }

    // The next n bits (1..16) without consuming them; Refill first.
    std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(bits >> (BitBufferBits - n)); }

    void Drop(int n) {
        assert(n <= count);  // a caller that refilled too rarely would read bits not yet loaded
        bits <<= n;
        count -= n;
    }

    // Reads n bits (0..16) as an unsigned number; Refill first.
    std::uint32_t Read(int n) {
        if (n == 0) {
            return 0;
        }
        const std::uint32_t value = Peek(n);
        Drop(n);
        return value;
    }

    // Bits that dropped symbols took past the end of the stream (0 when they stayed inside it); look-ahead loaded
    // but not consumed does not count.
    std::int64_t BitsPastEnd() const { return tailBits > count ? tailBits - count : 0; }

    // Bits that dropped symbols took from begin on, zeros past the end included: every byte passed is loaded
    // whole, so the bytes passed, the zeros loaded after them and what is still loaded account for them all.
    std::int64_t BitsConsumed(const std::uint8_t* begin) const { return (next - begin) * 8 + tailBits - count; }

    static Word LoadBigEndian(const std::uint8_t* p) {
        Word value;
        std::memcpy(&value, p, sizeof value);
        if constexpr (std::endian::native == std::endian::little) {
            if constexpr (sizeof value == 8) {
                value = __builtin_bswap64(value);
            } else {
                value = __builtin_bswap32(value);
            }
        }
        return value;
    }

  private:
    void RefillNearEnd() {
        while (count < RefillGuarantee) {
            if (next == end) {
                tailBits += BitBufferBits - 1 - count;
                count = BitBufferBits - 1;
                return;
            }
            bits |= static_cast<Word>(*next++) << (RefillGuarantee - count);
            count += 8;
        }
    }
};

}  // namespace quibel::lh5
