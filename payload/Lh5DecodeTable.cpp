#include "payload/Lh5DecodeTable.h"

#include <algorithm>

#include "payload/Errors.h"

namespace quibel::lh5 {

namespace {

// The slot reached from the first-level table by the code's bits after the first tableBits: nodes are made on
// the way as needed.
TableEntry& SlotForLongCode(std::uint32_t code,
                            int length,
                            int tableBits,
                            TableEntry* table,
                            DecodeNodes& nodes,
                            int& nextNode,
                            int nodeLimit) {
    TableEntry* slot = &table[code >> (MaxCodeLength - tableBits)];
    for (int depth = tableBits + 1; depth <= length; ++depth) {
        if (*slot == EmptySlot) {
            if (nextNode == nodeLimit) {
                throw ECorruptFile();
            }
            nodes.child[0][nextNode] = EmptySlot;
            nodes.child[1][nextNode] = EmptySlot;
            *slot = static_cast<TableEntry>(NodeFlag | nextNode++);
        } else if (!(*slot & NodeFlag)) {
            throw ECorruptFile();  // a shorter code is a prefix of this one
        }
        const int bit = (code >> (MaxCodeLength - depth)) & 1;
        slot = &nodes.child[bit][*slot & ~NodeFlag];
    }
    return *slot;
}

}  // namespace

void BuildDecodeTable(const std::uint8_t* lengths,
                      int count,
                      int tableBits,
                      TableEntry* table,
                      DecodeNodes& nodes,
                      int firstNode) {
    std::uint32_t perLength[MaxCodeLength + 1] = {};
    for (int s = 0; s < count; ++s) {
        ++perLength[lengths[s]];
    }
    // Codes are kept left-aligned on 16 bits: the first code of each length, in canonical order.
    std::uint32_t nextCode[MaxCodeLength + 1] = {};
    std::uint32_t sum = 0;
    for (int l = 1; l <= MaxCodeLength; ++l) {
        nextCode[l] = sum;
        sum += perLength[l] << (MaxCodeLength - l);
    }
    if (sum != CompleteCodeSum) {
        throw ECorruptFile();
    }

    const int tableSize = 1 << tableBits;
    std::fill(table, table + tableSize, EmptySlot);
    int nextNode = firstNode;
    const int nodeLimit = firstNode + count - 1;
    for (int s = 0; s < count; ++s) {
        const int length = lengths[s];
        if (length == 0) {
            continue;
        }
        const std::uint32_t code = nextCode[length];
        nextCode[length] += 1u << (MaxCodeLength - length);
        const TableEntry leaf = LeafEntry(s, length);
        if (length <= tableBits) {
            const std::uint32_t first = code >> (MaxCodeLength - tableBits);
            std::fill(table + first, table + first + (1u << (tableBits - length)), leaf);
        } else {
            TableEntry& slot = SlotForLongCode(code, length, tableBits, table, nodes, nextNode, nodeLimit);
            if (slot != EmptySlot) {
                throw ECorruptFile();
            }
            slot = leaf;
        }
    }
}

void FillSingleSymbol(int symbol, int tableBits, TableEntry* table) {
    std::fill(table, table + (1 << tableBits), LeafEntry(symbol, 0));
}

}  // namespace quibel::lh5
