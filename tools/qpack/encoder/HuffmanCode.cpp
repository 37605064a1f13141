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

// Code lengths of the sorted leaves under a limit of maxLength bits, of the fewest bits in total (package-merge:
// the cheapest set of coins of widths 2^-1 to 2^-maxLength that adds up to n - 1).
std::vector<int> LimitedDepths(const std::vector<std::uint64_t>& sortedWeights, int maxLength) {
    struct Item {
        std::uint64_t weight;
        bool leaf;
    };
    const std::size_t leafCount = sortedWeights.size();
    std::vector<std::vector<Item>> levels(static_cast<std::size_t>(maxLength));
    for (std::size_t level = levels.size(); level-- > 0;) {
        std::vector<Item> packages;
        if (level + 1 < levels.size()) {
            const std::vector<Item>& deeper = levels[level + 1];
            for (std::size_t i = 0; i + 1 < deeper.size(); i += 2) {
                packages.push_back({deeper[i].weight + deeper[i + 1].weight, false});
            }
        }
        std::vector<Item>& items = levels[level];
        std::size_t leaf = 0;
        std::size_t package = 0;
        while (leaf < leafCount || package < packages.size()) {
            if (package == packages.size() || (leaf < leafCount && sortedWeights[leaf] <= packages[package].weight)) {
                items.push_back({sortedWeights[leaf++], true});
            } else {
                items.push_back(packages[package++]);
            }
        }
    }
    // The chosen items of each level are a prefix of it; a leaf's length is the number of levels that choose it.
    std::vector<int> depth(leafCount, 0);
    std::size_t chosen = 2 * leafCount - 2;
    for (const std::vector<Item>& items : levels) {
        std::size_t leaves = 0;
        for (std::size_t i = 0; i < chosen; ++i) {
            leaves += items[i].leaf ? 1 : 0;
        }
        for (std::size_t i = 0; i < leaves; ++i) {
            ++depth[i];
        }
        chosen = 2 * (chosen - leaves);
    }
    return depth;
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
    // Huffman's code is the best when it fits the limit; package-merge finds the best one that does otherwise.
    std::vector<int> depths = HuffmanDepths(weights);
    if (*std::max_element(depths.begin(), depths.end()) > maxLength) {
        depths = LimitedDepths(weights, maxLength);
    }
    std::vector<int> count(static_cast<std::size_t>(maxLength) + 1, 0);
    for (int depth : depths) {
        ++count[static_cast<std::size_t>(depth)];
    }
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
