#include "tools/qpack/encoder/HuffmanCode.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace quibel::qpack {

namespace {

// Depth of each leaf in an unlimited Huffman tree over leaves sorted by ascending weight (two-queue
// construction). weight and parent hold the 2n - 1 nodes; depth the n leaves (and the inner nodes while working).
void HuffmanDepths(std::span<const std::uint64_t> sortedWeights,
                   std::span<std::uint64_t> weight,
                   std::span<std::uint32_t> parent,
                   std::span<int> depth) {
    const std::size_t leafCount = sortedWeights.size();
    std::copy(sortedWeights.begin(), sortedWeights.end(), weight.begin());
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
        parent[a] = static_cast<std::uint32_t>(node);
        parent[b] = static_cast<std::uint32_t>(node);
    }
    depth[2 * leafCount - 2] = 0;
    for (std::size_t node = 2 * leafCount - 2; node-- > 0;) {
        depth[node] = depth[parent[node]] + 1;
    }
}

// Number of codes of each length after limiting to maxLength; the Kraft sum stays exactly 1.
void LimitLengthCounts(std::span<const int> depths, int maxLength, std::span<int> count) {
    std::fill(count.begin(), count.begin() + maxLength + 1, 0);
    for (int depth : depths) {
        ++count[static_cast<std::size_t>(std::min(depth, maxLength))];
    }
    std::uint64_t kraft = 0;
    for (int length = 1; length <= maxLength; ++length) {
        kraft += static_cast<std::uint64_t>(count[static_cast<std::size_t>(length)]) << (maxLength - length);
    }
    // Each round takes one code of the longest length away and splits a shorter one in two: the sum drops by one.
    while (kraft > (std::uint64_t{1} << maxLength)) {
        --count[static_cast<std::size_t>(maxLength)];
        for (int length = maxLength - 1; length > 0; --length) {
            if (count[static_cast<std::size_t>(length)] > 0) {
                --count[static_cast<std::size_t>(length)];
                count[static_cast<std::size_t>(length) + 1] += 2;
                break;
            }
        }
        --kraft;
    }
}

// The used symbols (nonzero frequency), in ascending order.
std::vector<std::size_t> UsedSymbols(std::span<const std::uint32_t> frequencies, HuffmanCode& code) {
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
    }
    return used;
}

}  // namespace

void HuffmanLengths(std::span<const std::uint32_t> frequencies, int maxLength, std::span<std::uint8_t> lengths) {
    if (frequencies.size() > kMaxHuffmanSymbols || maxLength > kMaxHuffmanLength) {
        throw std::length_error("a Huffman code of more symbols or longer codes than lh5 has");
    }
    // The working memory lives on the stack: planning builds codes by the million, on many threads.
    struct Work {
        std::array<std::uint64_t, kMaxHuffmanSymbols> keys;
        std::array<std::uint64_t, kMaxHuffmanSymbols> sorted;
        std::array<std::uint64_t, 2 * kMaxHuffmanSymbols> weight;
        std::array<std::uint32_t, 2 * kMaxHuffmanSymbols> parent;
        std::array<int, 2 * kMaxHuffmanSymbols> depth;
        std::array<int, kMaxHuffmanLength + 1> count;
    } work;
    std::fill(lengths.begin(), lengths.end(), std::uint8_t{0});
    // Ascending weight, ties by descending symbol, so that the lower symbol gets the shorter code: a stable radix
    // sort, byte by byte, of the used symbols taken in descending order.
    std::uint64_t* keys = work.keys.data();
    std::uint64_t* sorted = work.sorted.data();
    std::size_t used = 0;
    std::uint32_t largest = 0;
    for (std::size_t s = frequencies.size(); s-- > 0;) {
        if (frequencies[s] > 0) {
            keys[used++] = std::uint64_t{frequencies[s]} << 16 | (0xFFFFu - s);
            largest = std::max(largest, frequencies[s]);
        }
    }
    if (used <= 1) {
        return;
    }
    for (int shift = 16; shift < 48 && (std::uint64_t{largest} >> (shift - 16)) > 0; shift += 8) {
        std::array<std::uint32_t, 257> start{};
        for (std::size_t i = 0; i < used; ++i) {
            ++start[((keys[i] >> shift) & 0xFF) + 1];
        }
        for (std::size_t b = 1; b < start.size(); ++b) {
            start[b] += start[b - 1];
        }
        for (std::size_t i = 0; i < used; ++i) {
            sorted[start[(keys[i] >> shift) & 0xFF]++] = keys[i];
        }
        std::swap(keys, sorted);
    }
    for (std::size_t i = 0; i < used; ++i) {
        sorted[i] = keys[i] >> 16;  // the other buffer, free now, takes the sorted weights
    }
    const std::span<int> depths(work.depth.data(), used);
    HuffmanDepths(std::span(sorted, used), work.weight, work.parent, work.depth);
    LimitLengthCounts(depths, maxLength, work.count);
    // The heaviest symbols take the shortest lengths.
    std::size_t next = used;
    for (int length = 1; length <= maxLength; ++length) {
        for (int i = 0; i < work.count[static_cast<std::size_t>(length)]; ++i) {
            lengths[static_cast<std::size_t>(0xFFFFu - (keys[--next] & 0xFFFFu))] = static_cast<std::uint8_t>(length);
        }
    }
}

// Canonical codes: ascending (length, symbol) take consecutive codes.
void AssignCanonicalCodes(HuffmanCode& code, int maxLength) {
    std::vector<std::uint32_t> next(static_cast<std::size_t>(maxLength) + 2, 0);
    for (std::uint8_t length : code.lengths) {
        ++next[length];
    }
    next[0] = 0;
    std::uint32_t first = 0;
    for (int length = 1; length <= maxLength; ++length) {
        const std::uint32_t count = next[static_cast<std::size_t>(length)];
        next[static_cast<std::size_t>(length)] = first;
        first = (first + count) << 1;
    }
    for (std::size_t s = 0; s < code.lengths.size(); ++s) {
        if (code.lengths[s] > 0) {
            code.codes[s] = static_cast<std::uint16_t>(next[code.lengths[s]]++);
        }
    }
}

HuffmanCode BuildHuffmanLengths(std::span<const std::uint32_t> frequencies, int maxLength) {
    HuffmanCode code;
    code.lengths.resize(frequencies.size());
    HuffmanLengths(frequencies, maxLength, code.lengths);
    for (std::size_t s = 0; s < frequencies.size(); ++s) {
        if (frequencies[s] > 0) {
            code.singleSymbol = code.usedSymbols == 0 ? static_cast<int>(s) : code.singleSymbol;
            ++code.usedSymbols;
        }
    }
    return code;
}

HuffmanCode BuildHuffmanCode(std::span<const std::uint32_t> frequencies, int maxLength) {
    HuffmanCode code = BuildHuffmanLengths(frequencies, maxLength);
    code.codes.assign(frequencies.size(), 0);
    AssignCanonicalCodes(code, maxLength);
    return code;
}

HuffmanCode BuildCodeForLengthCosts(std::span<const std::uint32_t> frequencies,
                                    int maxLength,
                                    std::span<const std::uint32_t> lengthCost) {
    LengthCostWork work;
    return BuildCodeForLengthCosts(frequencies, maxLength, lengthCost, work);
}

HuffmanCode BuildCodeForLengthCosts(std::span<const std::uint32_t> frequencies,
                                    int maxLength,
                                    std::span<const std::uint32_t> lengthCost,
                                    LengthCostWork& work) {
    HuffmanCode code;
    std::vector<std::size_t> used = UsedSymbols(frequencies, code);
    if (used.size() <= 1) {
        return code;
    }
    // Heaviest first, ties by ascending symbol: an optimal code gives them lengths that never fall.
    std::sort(used.begin(), used.end(), [&](std::size_t a, std::size_t b) {
        return frequencies[a] != frequencies[b] ? frequencies[a] > frequencies[b] : a < b;
    });
    const std::size_t n = used.size();
    const std::size_t width = n + 1;
    constexpr std::uint32_t kInfinite = 0x3FFFFFFFu;
    // here[i * width + k]: the least cost of giving symbols i.. lengths of at least the current level when k nodes
    // of that level are free (below: the same a level deeper); take: whether symbol i takes one of them. Only the
    // cells with k <= n - i are ever read: every node must end as a leaf for the code to be complete.
    std::vector<std::uint32_t>& here = work.here;
    std::vector<std::uint32_t>& below = work.below;
    std::vector<std::uint8_t>& take = work.take;
    here.resize(std::max(here.size(), width * width));
    below.resize(here.size());
    take.resize(std::max(take.size(), width * width * static_cast<std::size_t>(maxLength + 1)));
    for (int level = maxLength; level >= 1; --level) {
        std::uint8_t* taken = take.data() + width * width * static_cast<std::size_t>(level);
        here[n * width] = 0;
        for (std::size_t i = n; i-- > 0;) {
            const std::uint32_t leaf =
                frequencies[used[i]] * static_cast<std::uint32_t>(level) + lengthCost[static_cast<std::size_t>(level)];
            const std::uint32_t* next = here.data() + (i + 1) * width;
            const std::uint32_t* deeper = below.data() + i * width;
            std::uint32_t* cell = here.data() + i * width;
            cell[0] = kInfinite;
            const std::size_t splittable = level < maxLength ? (n - i) / 2 : 0;  // 2k nodes need 2k symbols
            const std::size_t free = std::min(n - i, std::size_t{1} << level);
            for (std::size_t k = 1; k <= free; ++k) {
                std::uint32_t best = std::min(next[k - 1] + leaf, kInfinite);
                std::uint8_t choice = 1;
                if (k <= splittable && deeper[2 * k] < best) {
                    best = deeper[2 * k];
                    choice = 0;
                }
                cell[k] = best;
                taken[i * width + k] = choice;
            }
        }
        std::swap(here, below);
    }
    std::size_t i = 0;
    std::size_t k = 2;
    for (int level = 1; i < n;) {
        if (take[width * width * static_cast<std::size_t>(level) + i * width + k] != 0) {
            code.lengths[used[i]] = static_cast<std::uint8_t>(level);
            ++i;
            --k;
        } else {
            ++level;
            k *= 2;
        }
    }
    code.codes.clear();
    return code;
}

}  // namespace quibel::qpack
