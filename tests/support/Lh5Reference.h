#pragma once
// A second lh5 block decoder for tests and fuzzing, written step by step as the format's reference decoder works:
// 16-bit bit buffer fed one byte at a time from an 8,192-byte input buffer, first-level tables whose long codes go
// on through node arrays, an 8,192-byte window written out chunk by chunk, a match carried between chunks by a
// copy position. It is slow and simple on purpose: the production decoder is compared with it, output and
// failure alike, on hostile input. It makes the same choices where the format leaves them open: counts and zero
// runs past a set, lengths above 16, incomplete or over-full codes, and single symbols outside their set are
// rejected with ECorruptFile; the window starts cleared; a source shorter than the size field decodes to nothing.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "payload/Errors.h"
#include "payload/PayloadStream.h"

namespace quibel::testing {

class Lh5Reference {
  public:
    // Writes the decoded chunks into `chunks` one by one; the chunks before a failure stay there. One block per
    // object: the state starts as zeros.
    void Decode(PayloadStream& source, std::vector<std::vector<std::uint8_t>>& chunks) {
        source_ = &source;
        inputLeft_ = static_cast<std::int32_t>(source.Size() - source.Position() - 4);
        std::int32_t size = 0;
        if (!source.ReadInt32(size)) {
            return;
        }
        DropBits(16);
        std::int32_t owed = size;
        while (owed > 0) {
            const int n = owed < kWindow ? owed : kWindow;
            DecodeChunk(n);
            chunks.emplace_back(window_, window_ + n);
            owed -= n;
        }
    }

    // The whole output and whether decoding failed.
    static std::vector<std::uint8_t> DecodeAll(const std::vector<std::uint8_t>& block, bool& failed) {
        PayloadStream source;
        source.Replace(block);
        std::vector<std::vector<std::uint8_t>> chunks;
        failed = false;
        auto reference = std::make_unique<Lh5Reference>();
        try {
            reference->Decode(source, chunks);
        } catch (const ECorruptFile&) {
            failed = true;
        }
        std::vector<std::uint8_t> all;
        for (const auto& chunk : chunks) {
            all.insert(all.end(), chunk.begin(), chunk.end());
        }
        return all;
    }

  private:
    static constexpr int kWindow = 8192;
    static constexpr int kMain = 510;
    static constexpr int kNodes = 2 * kMain - 1;

    std::uint8_t input_[kWindow] = {};
    std::uint8_t window_[kWindow] = {};
    std::uint16_t left_[kNodes] = {};
    std::uint16_t right_[kNodes] = {};
    std::uint16_t mainTable_[4096] = {};
    std::uint8_t mainLengths_[kMain] = {};
    std::uint16_t smallTable_[256] = {};
    std::uint8_t smallLengths_[19] = {};
    std::uint16_t bitBuffer_ = {};
    std::uint8_t pending_ = {};
    int pendingCount_ = {};
    std::int32_t inputLeft_ = {};
    int readIndex_ = {};
    std::uint16_t symbolsLeft_ = {};
    int copyPosition_ = {};
    int copyLeft_ = {};
    PayloadStream* source_ = {};

    std::uint8_t NextInputByte() {
        if (inputLeft_ <= 0) {
            return 0;
        }
        --inputLeft_;
        if (readIndex_ == 0) {
            source_->Read(input_, kWindow);
        }
        const std::uint8_t byte = input_[readIndex_];
        readIndex_ = (readIndex_ + 1) % kWindow;
        return byte;
    }

    void DropBits(int n) {
        bitBuffer_ = static_cast<std::uint16_t>(bitBuffer_ << n);
        while (n > pendingCount_) {
            n -= pendingCount_;
            bitBuffer_ = static_cast<std::uint16_t>(bitBuffer_ | (pending_ << n));
            pending_ = NextInputByte();
            pendingCount_ = 8;
        }
        pendingCount_ -= n;
        bitBuffer_ = static_cast<std::uint16_t>(bitBuffer_ | (pending_ >> pendingCount_));
    }

    int ReadBits(int n) {
        if (n == 0) {
            return 0;
        }
        const int value = bitBuffer_ >> (16 - n);
        DropBits(n);
        return value;
    }

    void BuildDecodeTable(int count, const std::uint8_t* lengths, int bits, std::uint16_t* table) {
        std::uint32_t counts[17] = {};
        std::uint32_t start[18] = {};
        std::uint32_t weight[17] = {};
        for (int s = 0; s < count; ++s) {
            ++counts[lengths[s]];
        }
        std::uint32_t exactSum = 0;
        for (int l = 1; l <= 16; ++l) {
            start[l + 1] = (start[l] + (counts[l] << (16 - l))) & 0xFFFF;
            exactSum += counts[l] << (16 - l);
        }
        if (start[17] != 0 || exactSum != 0x10000) {  // the second test: only complete codes are accepted
            throw ECorruptFile();
        }
        const int jut = 16 - bits;
        for (int l = 1; l <= bits; ++l) {
            start[l] >>= jut;
            weight[l] = 1u << (bits - l);
        }
        for (int l = bits + 1; l <= 16; ++l) {
            weight[l] = 1u << (16 - l);
        }
        std::uint32_t i = start[bits + 1] >> jut;
        if (i != 0) {
            while (i < (1u << bits)) {
                table[i++] = 0;
            }
        }
        int avail = count;
        const std::uint32_t mask = 1u << (15 - bits);
        for (int s = 0; s < count; ++s) {
            const int l = lengths[s];
            if (l == 0) {
                continue;
            }
            std::uint32_t k = start[l];
            const std::uint32_t next = k + weight[l];
            if (l <= bits) {
                for (std::uint32_t j = k; j < next; ++j) {
                    table[j] = static_cast<std::uint16_t>(s);
                }
            } else {
                std::uint16_t* slot = &table[k >> jut];
                for (int d = l - bits; d > 0; --d) {
                    if (*slot == 0) {
                        right_[avail] = left_[avail] = 0;
                        *slot = static_cast<std::uint16_t>(avail++);
                    }
                    slot = (k & mask) ? &right_[*slot] : &left_[*slot];
                    k <<= 1;
                }
                *slot = static_cast<std::uint16_t>(s);
            }
            start[l] = next;
        }
    }

    int Lookup(int count, const std::uint16_t* table, int bits, const std::uint8_t* lengths) {
        int v = table[bitBuffer_ >> (16 - bits)];
        std::uint16_t mask = static_cast<std::uint16_t>(1u << (15 - bits));
        while (v >= count) {
            v = (bitBuffer_ & mask) ? right_[v] : left_[v];
            mask = static_cast<std::uint16_t>(mask >> 1);
        }
        DropBits(lengths[v]);
        return v;
    }

    void ReadSmallSetLengths(int count, int width, bool zeroRun) {
        const int n = ReadBits(width);
        if (n == 0) {
            const int s = ReadBits(width);
            if (s >= count) {
                throw ECorruptFile();
            }
            std::memset(smallLengths_, 0, sizeof smallLengths_);
            for (auto& entry : smallTable_) {
                entry = static_cast<std::uint16_t>(s);
            }
            return;
        }
        if (n > count) {
            throw ECorruptFile();
        }
        int i = 0;
        while (i < n) {
            int c = bitBuffer_ >> 13;
            if (c == 7) {
                std::uint16_t mask = 1u << 12;
                while (mask & bitBuffer_) {
                    mask = static_cast<std::uint16_t>(mask >> 1);
                    ++c;
                }
            }
            if (c > 16) {
                throw ECorruptFile();
            }
            DropBits(c < 7 ? 3 : c - 3);
            smallLengths_[i++] = static_cast<std::uint8_t>(c);
            if (zeroRun && i == 3) {
                int z = ReadBits(2);
                while (z-- > 0) {
                    smallLengths_[i++] = 0;
                }
            }
        }
        while (i < count) {
            smallLengths_[i++] = 0;
        }
        BuildDecodeTable(count, smallLengths_, 8, smallTable_);
    }

    void ReadMainLengths() {
        const int n = ReadBits(9);
        if (n == 0) {
            const int s = ReadBits(9);
            if (s >= kMain) {
                throw ECorruptFile();
            }
            std::memset(mainLengths_, 0, sizeof mainLengths_);
            for (auto& entry : mainTable_) {
                entry = static_cast<std::uint16_t>(s);
            }
            return;
        }
        if (n > kMain) {
            throw ECorruptFile();
        }
        int i = 0;
        while (i < n) {
            int c = Lookup(19, smallTable_, 8, smallLengths_);
            if (c <= 2) {
                int run = c == 0 ? 1 : c == 1 ? ReadBits(4) + 3 : ReadBits(9) + 20;
                if (i + run > kMain) {
                    throw ECorruptFile();
                }
                while (run-- > 0) {
                    mainLengths_[i++] = 0;
                }
            } else {
                mainLengths_[i++] = static_cast<std::uint8_t>(c - 2);
            }
        }
        while (i < kMain) {
            mainLengths_[i++] = 0;
        }
        BuildDecodeTable(kMain, mainLengths_, 12, mainTable_);
    }

    int DecodeMainSymbol() {
        if (symbolsLeft_ == 0) {
            symbolsLeft_ = static_cast<std::uint16_t>(ReadBits(16));
            ReadSmallSetLengths(19, 5, true);
            ReadMainLengths();
            ReadSmallSetLengths(14, 4, false);
        }
        --symbolsLeft_;
        return Lookup(kMain, mainTable_, 12, mainLengths_);
    }

    int DecodeOffset() {
        const int v = Lookup(14, smallTable_, 8, smallLengths_);
        return v == 0 ? 0 : (1 << (v - 1)) + ReadBits(v - 1);
    }

    void DecodeChunk(int n) {
        int r = 0;
        while (copyLeft_ > 0) {
            window_[r++] = window_[copyPosition_];
            copyPosition_ = (copyPosition_ + 1) % kWindow;
            --copyLeft_;
            if (r == n) {
                return;
            }
        }
        for (;;) {
            const int v = DecodeMainSymbol();
            if (v <= 255) {
                window_[r++] = static_cast<std::uint8_t>(v);
                if (r == n) {
                    return;
                }
                continue;
            }
            copyLeft_ = v - 253;
            copyPosition_ = ((r - DecodeOffset() - 1) % kWindow + kWindow) % kWindow;
            while (copyLeft_ > 0) {
                window_[r++] = window_[copyPosition_];
                copyPosition_ = (copyPosition_ + 1) % kWindow;
                --copyLeft_;
                if (r == n) {
                    return;
                }
            }
        }
    }
};

}  // namespace quibel::testing
