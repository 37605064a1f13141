// The lh5 block decoder. Everything it works with lives in one WorkMemory allocated per call and a bit reader
// on the stack, so calls on different threads share nothing.
#include "payload/DecompressBlock.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "payload/Errors.h"
#include "payload/Lh5BitReader.h"
#include "payload/Lh5DecodeTable.h"
#include "payload/Lh5Format.h"
#include "payload/Lh5WorkMemory.h"

namespace quibel {

namespace {

using namespace lh5;

static_assert(LengthCodeZeroRunAfter + (1 << LengthCodeZeroRunBits) - 1 <= LengthCodeSymbols,
              "the zero run after the third length stays inside the length-code set");
// Bits one main symbol can take with its offset symbol and extra bits.
constexpr int MaxExtraBits = OffsetSymbols - 2;
constexpr int MaxSymbolBits = MaxCodeLength + MaxCodeLength + MaxExtraBits;

// Copies a match byte by byte in effect: a distance shorter than the length repeats the bytes just written.
// Whole 8-byte words may write up to 7 bytes past the end (room for them is kept in the window).
inline std::uint8_t* CopyMatch(std::uint8_t* out, int distance, int length) {
    const std::uint8_t* from = out - distance;
    std::uint8_t* const stop = out + length;
    if (distance >= 8) {
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < stop);
    } else if (distance == 1) {
        std::memset(out, *from, static_cast<std::size_t>(length));
    } else {
        for (int i = 0; i < length; ++i) {
            out[i] = from[i];
        }
    }
    return stop;
}

template <typename Word>
class BlockDecoder {
    using Reader = BasicBitReader<Word>;
    // A 64-bit reader refills once per main symbol; a 32-bit one before each of its three parts.
    static constexpr bool OneRefillPerSymbol = MaxSymbolBits <= Reader::RefillGuarantee;
    static constexpr int BitsBeforeMainSymbol = OneRefillPerSymbol ? MaxSymbolBits : MaxCodeLength;
    static_assert(MaxCodeLength <= Reader::RefillGuarantee, "one refill covers any one code");
    // A small-set length (3 bits, a unary tail of up to 9 ones and its closing 0) and the zero run after the
    // third, read after one refill.
    static_assert(SmallLengthBits + (MaxCodeLength - SmallLengthEscape) + 1 + LengthCodeZeroRunBits <=
                  Reader::RefillGuarantee);

  public:
    BlockDecoder(WorkMemory& memory, const std::uint8_t* begin, const std::uint8_t* end)
        : memory_(memory), reader_(begin, end), begin_(begin) {}

    // Decodes symbols until `out` reaches `stop`; the last match may run on past it. Returns the new end.
    // The bit reader's state is kept in locals here: the byte stores through `out` could alias the reader's
    // fields, which would make the compiler reload them after every byte.
    std::uint8_t* DecodeUntil(std::uint8_t* out, const std::uint8_t* stop) {
        const TableEntry* const mainTable = memory_.mainTable;
        const TableEntry* const offsetTable = memory_.smallTable;
        const DecodeNodes& nodes = memory_.nodes;
        Reader reader = reader_;
        std::uint32_t symbolsLeft = symbolsLeft_;
        while (out < stop) {
            if (symbolsLeft == 0) {
                reader_ = reader;
                ReadSegmentHeader();
                reader = reader_;
                symbolsLeft = symbolsLeft_;
            }
            --symbolsLeft;
            reader.Ensure(BitsBeforeMainSymbol);
            TableEntry entry = mainTable[reader.Peek(MainTableBits)];
            if (entry & NodeFlag) {
                entry = WalkNodes(entry, reader.bits, MainTableBits, nodes);
            }
            reader.Drop(EntryLength(entry));
            const int symbol = EntrySymbol(entry);
            if (symbol < LiteralCount) {
                *out++ = static_cast<std::uint8_t>(symbol);
                continue;
            }
            if constexpr (!OneRefillPerSymbol) {
                reader.Ensure(MaxCodeLength);
            }
            TableEntry offsetEntry = offsetTable[reader.Peek(SmallTableBits)];
            if (offsetEntry & NodeFlag) {
                offsetEntry = WalkNodes(offsetEntry, reader.bits, SmallTableBits, nodes);
            }
            reader.Drop(EntryLength(offsetEntry));
            const int offsetSymbol = EntrySymbol(offsetEntry);
            int offset = offsetSymbol;
            if (offsetSymbol > 1) {
                if constexpr (!OneRefillPerSymbol) {
                    reader.Ensure(MaxExtraBits);
                }
                offset = (1 << (offsetSymbol - 1)) + static_cast<int>(reader.Peek(offsetSymbol - 1));
                reader.Drop(offsetSymbol - 1);
            }
            out = CopyMatch(out, offset + 1, symbol - (LiteralCount - MinMatch));
        }
        reader_ = reader;
        symbolsLeft_ = symbolsLeft;
        return out;
    }

    // Derived once at the end of the block, from the reader's state.
    BlockDecodeEnd End() const {
        const std::int64_t streamBits = (reader_.end - begin_) * 8;
        const std::int64_t consumed = reader_.BitsConsumed(begin_);
        return {reader_.BitsPastEnd(), consumed < streamBits ? (streamBits - consumed) / 8 : 0};
    }

  private:
    void ReadSegmentHeader() {
        reader_.Refill();
        const std::uint32_t count = reader_.Read(SegmentCountBits);
        symbolsLeft_ = count == 0 ? MaxSegmentSymbols : count;
        ReadSmallSetLengths(LengthCodeSymbols, LengthCodeCountBits, true);
        ReadMainLengths();
        ReadSmallSetLengths(OffsetSymbols, OffsetCountBits, false);
    }

    // The length-code or offset set into the shared small-set table.
    void ReadSmallSetLengths(int symbols, int countBits, bool zeroRunAfterThird) {
        std::uint8_t* const lengths = memory_.smallLengths;
        reader_.Refill();
        const int announced = static_cast<int>(reader_.Read(countBits));
        if (announced == 0) {
            FillSingleSymbol(ReadSingleSymbol(countBits, symbols), SmallTableBits, memory_.smallTable);
            return;
        }
        if (announced > symbols) {
            throw ECorruptFile();
        }
        int filled = 0;
        while (filled < announced) {
            reader_.Refill();
            lengths[filled++] = static_cast<std::uint8_t>(ReadSmallLength());
            if (zeroRunAfterThird && filled == LengthCodeZeroRunAfter) {
                const int zeros = static_cast<int>(reader_.Read(LengthCodeZeroRunBits));
                std::fill(lengths + filled, lengths + filled + zeros, 0);
                filled += zeros;
            }
        }
        std::fill(lengths + filled, lengths + symbols, 0);
        BuildDecodeTable(lengths, symbols, SmallTableBits, memory_.smallTable, memory_.nodes, SmallNodeBase);
    }

    // 3 bits; from 7 up, one more for every 1 bit that follows, up to a closing 0 bit.
    int ReadSmallLength() {
        const int value = static_cast<int>(reader_.Peek(SmallLengthBits));
        if (value < SmallLengthEscape) {
            reader_.Drop(SmallLengthBits);
            return value;
        }
        const int ones = std::countl_one(reader_.bits << SmallLengthBits);
        if (ones > MaxCodeLength - SmallLengthEscape) {
            throw ECorruptFile();
        }
        reader_.Drop(SmallLengthBits + ones + 1);
        return SmallLengthEscape + ones;
    }

    void ReadMainLengths() {
        std::uint8_t* const lengths = memory_.mainLengths;
        reader_.Refill();
        const int announced = static_cast<int>(reader_.Read(MainCountBits));
        if (announced == 0) {
            FillSingleSymbol(ReadSingleSymbol(MainCountBits, MainSymbols), MainTableBits, memory_.mainTable);
            return;
        }
        if (announced > MainSymbols) {
            throw ECorruptFile();
        }
        int filled = 0;
        while (filled < announced) {
            reader_.Refill();
            const int code = DecodeSymbol(reader_, memory_.smallTable, SmallTableBits, memory_.nodes);
            if (code >= FirstLengthSymbol) {
                lengths[filled++] = static_cast<std::uint8_t>(code - (FirstLengthSymbol - 1));
                continue;
            }
            reader_.Ensure(LongZeroRunBits);  // a 32-bit reader may hold fewer after a 16-bit code
            int zeros = 1;
            if (code == 1) {
                zeros = ShortZeroRunBase + static_cast<int>(reader_.Read(ShortZeroRunBits));
            } else if (code == 2) {
                zeros = LongZeroRunBase + static_cast<int>(reader_.Read(LongZeroRunBits));
            }
            if (zeros > MainSymbols - filled) {
                throw ECorruptFile();
            }
            std::fill(lengths + filled, lengths + filled + zeros, 0);
            filled += zeros;
        }
        std::fill(lengths + filled, lengths + MainSymbols, 0);
        BuildDecodeTable(lengths, MainSymbols, MainTableBits, memory_.mainTable, memory_.nodes, MainNodeBase);
    }

    // The one symbol of a set sent with a count of 0; it must belong to the set.
    int ReadSingleSymbol(int countBits, int symbols) {
        const int symbol = static_cast<int>(reader_.Read(countBits));
        if (symbol >= symbols) {
            throw ECorruptFile();
        }
        return symbol;
    }

    WorkMemory& memory_;
    Reader reader_;
    const std::uint8_t* begin_;
    std::uint32_t symbolsLeft_ = 0;  // main symbols left in the current segment
};

// The installer's destination: the whole file in memory.
class StreamSink final : public ByteSink {
  public:
    explicit StreamSink(PayloadStream& stream) : stream_(stream) {}

    // The output's whole size is known: exactly that room up front spares the stream its step-by-step growth, whose
    // last doubling would need half as much again beside the old copy (more than a 32-bit process can find for a
    // file of 600 MB). The size comes from the data, and a damaged block may claim far more than can be had: then
    // it gets a capped start and grows as it goes, and fails only if its content really is that large.
    void Expect(std::int32_t size) override {
        constexpr std::int32_t kFallbackReserve = 256 << 20;
        if (!stream_.Reserve(size)) {
            stream_.Reserve(std::min(size, kFallbackReserve));
        }
    }
    void Write(const std::uint8_t* bytes, std::int32_t count) override { stream_.Write(bytes, count); }

  private:
    PayloadStream& stream_;
};

template <typename Word>
BlockDecodeEnd Decompress(PayloadStream& source, ByteSink& destination) {
    std::int32_t decodedSize = 0;
    if (!source.ReadInt32(decodedSize) || decodedSize <= 0) {
        return {0, source.Remaining()};
    }
    // The bit stream is read in place; the whole block counts as consumed.
    const std::uint8_t* const begin = source.Data() + source.Position();
    const std::uint8_t* const end = source.Data() + source.Size();
    source.SetPosition(source.Size());
    destination.Expect(decodedSize);

    const auto memory = std::make_unique<WorkMemory>();  // zero-filled: the window's history starts as zeros
    BlockDecoder<Word> decoder(*memory, begin, end);
    std::uint8_t* const chunk = memory->window + ChunkStart;
    std::uint8_t* out = chunk;
    std::int32_t owed = decodedSize;
    while (owed > 0) {
        const std::int32_t size = std::min(owed, ChunkSize);
        out = decoder.DecodeUntil(out, chunk + size);
        destination.Write(chunk, size);
        owed -= size;
        if (owed > 0) {
            // The chunk becomes the history of the next one; a match that ran past it starts the next chunk.
            const auto carried = static_cast<std::size_t>(out - (chunk + size));
            std::memmove(memory->window, chunk, ChunkSize + carried);
            out -= ChunkSize;
        }
    }
    return decoder.End();
}

}  // namespace

BlockDecodeEnd DecompressBlock(PayloadStream& source, ByteSink& destination) {
    return Decompress<NativeBitWord>(source, destination);
}

BlockDecodeEnd DecompressBlock(PayloadStream& source, PayloadStream& destination) {
    StreamSink sink(destination);
    return DecompressBlock(source, sink);
}

BlockDecodeEnd DecompressBlockWithWordBits(int wordBits, PayloadStream& source, ByteSink& destination) {
    if (wordBits == 32) {
        return Decompress<std::uint32_t>(source, destination);
    }
    return Decompress<std::uint64_t>(source, destination);
}

BlockDecodeEnd DecompressBlockWithWordBits(int wordBits, PayloadStream& source, PayloadStream& destination) {
    StreamSink sink(destination);
    return DecompressBlockWithWordBits(wordBits, source, sink);
}

}  // namespace quibel
