#include "tools/qpack/encoder/HuffmanCode.h"

#include <algorithm>
#include <numeric>

namespace quibel::qpack {

namespace {

// Depth of each leaf in an unlimited Huffman tree over the sorted leaves (two-queue construction).
std::vector<int> HuffmanDepths(const std::vector<std::uint64_t>& sortedWeights) {
    const std::size_t leafCount = sortedWeights.size();
    std::vector<std::uint64_t> weight(sortedWeights);
    weight.resize(2 * leafCount - 1);
    std::vector<std::size_t> parent(2 * leafCount - 1, 0);
    std::size_t nextLeaf = 0;
    std::size_t nextInner = leafCount;
    auto takeSmallest = [&](std::size_t innerEnd) {
        if (nextLeaf < leafCount && (nextInner >= innerEnd || weight[nextLeaf] <= weight[nextInner])) {
            return nextLeaf++;
        }
        return nextInner++;
    };
    for (std::size_t node = leafCount; node < 2 * leafCount - 1; ++node) {
        const std::size_t a = takeSmallest(node);
        const std::size_t b = takeSmallest(node);
        weight[node] = weight[a] + weight[b];
        parent[a] = node;
        parent[b] = node;
    }
    std::vector<int> depth(2 * leafCount - 1, 0);
    for (std::size_t node = 2 * leafCount - 1; node-- > 0;) {
        if (node != 2 * leafCount - 2) {
            depth[node] = depth[parent[node]] + 1;
        }
    }
    depth.resize(leafCount);
    return depth;
}

// Number of codes of each length after limiting to maxLength; the Kraft sum stays exactly 1.
std::vector<int> LimitedLengthCounts(const std::vector<int>& depths, int maxLength) {
    std::vector<int> count(static_cast<std::size_t>(maxLength) + 1, 0);
    for (int depth : depths) {
        ++count[static_cast<std::size_t>(std::min(depth, maxLength))];
    }
    std::uint64_t kraft = 0;
    for (int length = 1; length <= maxLength; ++length) {
        kraft += static_cast<std::uint64_t>(count[length]) << (maxLength - length);
    }
    // Each round takes one code of the longest length away and splits a shorter one in two: the sum drops by one.
    while (kraft > (std::uint64_t{1} << maxLength)) {
        --count[maxLength];
        for (int length = maxLength - 1; length > 0; --length) {
            if (count[length] > 0) {
                --count[length];
                count[length + 1] += 2;
                break;
            }
        }
        --kraft;
    }
    return count;
}

}  // namespace

HuffmanCode BuildHuffmanCode(std::span<const std::uint32_t> frequencies, int maxLength) {
    HuffmanCode code;
    code.lengths.assign(frequencies.size(), 0);
    code.codes.assign(frequencies.size(), 0);
    std::vector<std::size_t> used;
    for (std::size_t s = 0; s < frequencies.size(); ++s) {
        if (frequencies[s] > 0) {
            used.push_back(s);
        }
    }
    code.usedSymbols = static_cast<int>(used.size());
    if (used.size() <= 1) {
        code.singleSymbol = used.empty() ? 0 : static_cast<int>(used[0]);
        return code;
    }
    // Ascending weight, ties by descending symbol, so that the lower symbol gets the shorter code.
    std::stable_sort(used.begin(), used.end(), [&](std::size_t a, std::size_t b) {
        return frequencies[a] != frequencies[b] ? frequencies[a] < frequencies[b] : a > b;
    });
    std::vector<std::uint64_t> weights;
    for (std::size_t s : used) {
        weights.push_back(frequencies[s]);
    }
    const std::vector<int> count = LimitedLengthCounts(HuffmanDepths(weights), maxLength);
    // The heaviest symbols take the shortest lengths.
    std::size_t next = used.size();
    for (int length = 1; length <= maxLength; ++length) {
        for (int i = 0; i < count[length]; ++i) {
            code.lengths[used[--next]] = static_cast<std::uint8_t>(length);
        }
    }
    std::uint32_t nextCode = 0;
    for (int length = 1; length <= maxLength; ++length) {
        for (std::size_t s = 0; s < frequencies.size(); ++s) {
            if (code.lengths[s] == length) {
                code.codes[s] = static_cast<std::uint16_t>(nextCode++);
            }
        }
        nextCode <<= 1;
    }
    return code;
}

}  // namespace quibel::qpack
