#pragma once
// Compresses files on several threads and hands the blocks back in the given order. Each file is compressed on
// its own, so the blocks, and the package made of them, are the same for any number of threads.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "tools/qpack/encoder/Lh5Encoder.h"

namespace quibel::qpack {

struct CompressionProgress {
    std::size_t filesDone = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
};

// Reads and compresses files[i] for every i, the largest first; calls consume(i, block) in ascending i on the
// calling thread (the blocks that are ready before their turn wait in memory), and
// report every fifth of a second or so while it waits. A file that cannot be read throws PackError naming it;
// the other threads then stop before their next file.
void CompressInOrder(const std::vector<std::filesystem::path>& files,
                     int threads,
                     const EncoderSettings& settings,
                     const std::function<void(std::size_t, const std::vector<std::uint8_t>&)>& consume,
                     const std::function<void(const CompressionProgress&)>& report);

// Reads a whole file; PackError naming it when it cannot be read or is no regular file.
std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path);

}  // namespace quibel::qpack
