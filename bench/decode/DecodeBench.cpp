// decode_bench [--repeat N] ARCHIVE.lzh...
// Decodes every -lh5- member of each archive (level-2 headers) with DecompressBlock, in memory, N times (default
// 5), checks each member's CRC-16 and prints the best pass as output megabytes (10^6 bytes) per second of
// processor time (user + system: a fair measure on a loaded machine, and what run.sh measures of the peers). Also
// prints the peak heap that one decode of the largest member takes besides its output (the work memory).
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/PayloadStream.h"
#include "tests/support/BitWriter.h"
#include "tests/support/Lh5Corpus.h"
#include "tests/support/LzhReader.h"

// Counting allocator: live and peak bytes of every operator new.
namespace {
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;
}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *block = size;
    liveBytes += size;
    peakBytes = std::max(peakBytes, liveBytes);
    return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* memory) noexcept {
    if (memory != nullptr) {
        char* block = static_cast<char*>(memory) - sizeof(std::max_align_t);
        liveBytes -= *reinterpret_cast<std::size_t*>(block);
        std::free(block);
    }
}
void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::vector<std::uint16_t> t(256);
        for (unsigned i = 0; i < 256; ++i) {
            unsigned crc = i;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
            }
            t[i] = static_cast<std::uint16_t>(crc);
        }
        return t;
    }();
    unsigned crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFF];
    }
    return static_cast<std::uint16_t>(crc);
}

struct Member {
    Bytes block;
    std::uint32_t originalSize;
    std::uint16_t crc16;
};

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: decode_bench [--repeat N] ARCHIVE.lzh...\n");
        return 2;
    }
    std::printf("%-12s %8s %12s %12s %10s %14s %10s\n", "archive", "members", "output", "all members", "MB/s",
                "MB/s growing", "work heap");
    for (int a = first; a < argc; ++a) {
        std::vector<Member> members;
        std::size_t total = 0;
        std::size_t archived = 0;  // every member, stored ones too: what other extractors go through
        for (auto& m : quibel::testing::ReadLevel2Archive(quibel::testing::ReadWholeFile(argv[a]))) {
            archived += m.method == "-lhd-" ? 0 : m.originalSize;
            if (m.method == "-lh5-") {
                members.push_back({quibel::testing::MakeBlock(static_cast<std::int32_t>(m.originalSize), m.compressed),
                                   m.originalSize, m.crc16});
                total += m.originalSize;
            }
        }
        // Timed: the DecompressBlock calls alone, into destinations of the right size made beforehand (so that
        // the figure is the decoder's, not the heap's); a second figure decodes into fresh, growing streams as the
        // installer does.
        std::vector<quibel::PayloadStream> sources(members.size());
        std::vector<quibel::PayloadStream> destinations(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            sources[i].Replace(members[i].block);
            destinations[i].Replace(Bytes(members[i].originalSize));
        }
        double best = 1e30;
        double bestGrowing = 1e30;
        for (int pass = 0; pass < repeat; ++pass) {
            for (std::size_t i = 0; i < members.size(); ++i) {
                sources[i].SetPosition(0);
                destinations[i].SetPosition(0);
            }
            std::clock_t start = std::clock();
            for (std::size_t i = 0; i < members.size(); ++i) {
                quibel::DecompressBlock(sources[i], destinations[i]);
            }
            best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
            for (std::size_t i = 0; i < members.size(); ++i) {
                const auto& out = destinations[i];
                if (out.Position() != members[i].originalSize ||
                    Crc16(out.Data(), out.Bytes().size()) != members[i].crc16) {
                    std::fprintf(stderr, "decode_bench: %s: a member decodes wrong\n", argv[a]);
                    return 1;
                }
                sources[i].SetPosition(0);
            }
            start = std::clock();
            for (std::size_t i = 0; i < members.size(); ++i) {
                quibel::PayloadStream fresh;
                quibel::DecompressBlock(sources[i], fresh);
            }
            bestGrowing = std::min(bestGrowing, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
        }
        // Work memory: one decode of the largest member into a destination that needs no growing.
        std::size_t workHeap = 0;
        if (!members.empty()) {
            const Member& largest =
                *std::max_element(members.begin(), members.end(),
                                  [](const Member& x, const Member& y) { return x.originalSize < y.originalSize; });
            quibel::PayloadStream source;
            source.Replace(largest.block);
            quibel::PayloadStream destination;
            destination.Replace(Bytes(largest.originalSize));
            destination.SetPosition(0);
            const std::size_t before = liveBytes;
            peakBytes = liveBytes;
            quibel::DecompressBlock(source, destination);
            workHeap = peakBytes - before;
        }
        const char* name = argv[a];
        for (const char* p = argv[a]; *p != '\0'; ++p) {
            if (*p == '/' || *p == '\\') {
                name = p + 1;
            }
        }
        std::printf("%-12s %8zu %12zu %12zu %10.1f %14.1f %10zu\n", name, members.size(), total, archived,
                    total / best / 1e6, total / bestGrowing / 1e6, workHeap);
    }
    return 0;
}
