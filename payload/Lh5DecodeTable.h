#pragma once
// Canonical Huffman decoding tables of the lh5 sets. A first-level table is indexed by the next `tableBits`
// bits of the stream; codes longer than that go on through a binary tree of nodes, one node per further bit.
//
// Entry (16 bits), in the table and in the nodes' child slots alike:
//   leaf: (symbol << 5) | code length   symbol < 510, length 0..16 (0: a set of one symbol, no bits consumed)
//   node: NodeFlag | node index         the next bit picks the node's 0-child or 1-child

#include <cstdint>

#include "payload/Lh5BitReader.h"
#include "payload/Lh5Format.h"

namespace quibel::lh5 {

using TableEntry = std::uint16_t;

inline constexpr int EntryLengthBits = 5;
inline constexpr TableEntry EntryLengthMask = (1 << EntryLengthBits) - 1;
inline constexpr TableEntry NodeFlag = 0x8000;
inline constexpr TableEntry EmptySlot = 0xFFFF;  // only while a table is built
// A complete code over n symbols needs at most n - 1 nodes below its first-level table. The main set's nodes
// come first, then those of the small set in force (the offset set's tree lives beside the main set's).
inline constexpr int MainNodeBase = 0;
inline constexpr int SmallNodeBase = MainNodeBase + MainSymbols - 1;
inline constexpr int MaxNodes = SmallNodeBase + LengthCodeSymbols - 1;

static_assert((MainSymbols - 1) << EntryLengthBits < NodeFlag, "a leaf never looks like a node");
static_assert(MaxCodeLength <= EntryLengthMask);
static_assert((NodeFlag | MaxNodes) < EmptySlot);

inline constexpr TableEntry LeafEntry(int symbol, int length) {
    return static_cast<TableEntry>(symbol << EntryLengthBits | length);
}
inline constexpr int EntrySymbol(TableEntry entry) {
    return entry >> EntryLengthBits;
}
inline constexpr int EntryLength(TableEntry entry) {
    return entry & EntryLengthMask;
}

// The nodes below the first-level tables: child[bit][node].
struct DecodeNodes {
    TableEntry child[2][MaxNodes];
};

// Builds the table (2^tableBits entries) for `count` symbols of the given code lengths (0..16), using nodes from
// firstNode on (count - 1 of them at most). ECorruptFile unless the lengths form a complete code: their
// 2^(16 - length) sum to exactly 2^16.
void BuildDecodeTable(const std::uint8_t* lengths,
                      int count,
                      int tableBits,
                      TableEntry* table,
                      DecodeNodes& nodes,
                      int firstNode);

// Makes every lookup in the table yield `symbol` and consume no bits: a set sent as one symbol.
void FillSingleSymbol(int symbol, int tableBits, TableEntry* table);

// Follows a node entry bit by bit: `bits` is the bit buffer, whose first tableBits bits chose the entry.
template <typename Word>
inline TableEntry WalkNodes(TableEntry entry, Word bits, int tableBits, const DecodeNodes& nodes) {
    int shift = 8 * static_cast<int>(sizeof(Word)) - 1 - tableBits;
    do {
        entry = nodes.child[(bits >> shift) & 1][entry & ~NodeFlag];
        --shift;
    } while (entry & NodeFlag);
    return entry;
}

// Decodes one symbol; the reader must hold at least 16 bits.
template <typename Word>
inline int DecodeSymbol(BasicBitReader<Word>& reader,
                        const TableEntry* table,
                        int tableBits,
                        const DecodeNodes& nodes) {
    TableEntry entry = table[reader.Peek(tableBits)];
    if (entry & NodeFlag) {
        entry = WalkNodes(entry, reader.bits, tableBits, nodes);
    }
    reader.Drop(EntryLength(entry));
    return EntrySymbol(entry);
}

}  // namespace quibel::lh5
