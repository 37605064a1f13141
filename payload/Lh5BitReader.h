#pragma once
// The lh5 bit stream: bytes in order, each from its most significant bit down, followed by an endless run of
// zero bits once the data ends (a stream cut short decodes on from zeros, as the format expects).
//
// State: `bits` holds the next bits of the stream left-aligned (the next bit is bit 63); `count` of them are
// loaded (56..63 after Refill, so that a shift by `count` stays defined). Bits below `count` are either zero or
// the stream's own following bits, so loading a byte again at the same place changes nothing. Past the end
// Refill sets `count` to 63: the zeros shifted in from below are the stream's endless zero tail.

#include <bit>
#include <cstdint>
#include <cstring>

namespace quibel::lh5 {

inline constexpr int BitBufferBits = 64;
// Bits guaranteed after Refill: enough for one main symbol, one offset symbol and its extra bits (16+16+12).
inline constexpr int RefillGuarantee = 56;

struct BitReader {
    const std::uint8_t* next;
    const std::uint8_t* end;
    std::uint64_t bits = 0;
    int count = 0;

    BitReader(const std::uint8_t* begin, const std::uint8_t* stop) : next(begin), end(stop) {}

    void Refill() {
        if (end - next >= 8) {
            bits |= LoadBigEndian64(next) >> count;
            next += (63 - count) >> 3;
            count |= RefillGuarantee;
        } else {
            RefillNearEnd();
        }
    }

    // The next n bits (1..32) without consuming them; Refill first.
    std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(bits >> (BitBufferBits - n)); }

    void Drop(int n) {
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

    static std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
        std::uint64_t value;
        std::memcpy(&value, p, sizeof value);
        if constexpr (std::endian::native == std::endian::little) {
            value = __builtin_bswap64(value);
        }
        return value;
    }

  private:
    void RefillNearEnd() {
        while (count < RefillGuarantee) {
            if (next == end) {
                count = BitBufferBits - 1;
                return;
            }
            bits |= static_cast<std::uint64_t>(*next++) << (RefillGuarantee - count);
            count += 8;
        }
    }
};

}  // namespace quibel::lh5
