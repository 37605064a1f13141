#pragma once
// Compresses files on several threads and hands the blocks back in the given order. Each file is compressed on
// its own, so the blocks, and the package made of them, are the same for any number of threads.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "tools/qpack/encoder/Lh5Encoder.h"
#include "tools/qpack/tree/HostLinks.h"

namespace quibel::qpack {

// The caller's directory path and file name, not copies: the path is put together only while the file is read.
struct InputFile {
    const std::filesystem::path* directory;
    const std::filesystem::path::string_type* name;
    std::uint64_t size = 0;  // as scanned: what the file takes of the window
    FileIdentity identity;   // as scanned: the file read must be this one
    bool viaLink = false;    // a link at its name is followed
};

struct CompressionOptions {
    int threads = 1;
    // Files start in order, while those started and not yet handed on hold at most this many bytes (a file
    // counts its size while it is compressed, its block's once done; a larger file starts alone when its turn
    // comes): memory follows the files in flight, not their number. 0: 8 MiB per thread, 16 MiB at least,
    // enough for the others to keep busy while one compresses a large file.
    std::uint64_t windowBytes = 0;
    EncoderSettings encoder;
};

// Work done so far: files compressed (in whatever order they finish) and their block bytes, and the input bytes
// encoded, those of the files being compressed too.
struct CompressionProgress {
    std::size_t filesDone = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
};

// Reads and compresses every file; calls consume(i, block) in ascending i on the calling thread as soon as the
// block of file i and of those before it are ready, and report after each block and every eighth of a second
// while it waits. A file that cannot be read, or is no longer the file scanned (HostFile.h), throws PackError
// naming it when its turn comes; the other threads then stop before their next file.
void CompressInOrder(const std::vector<InputFile>& files,
                     const CompressionOptions& options,
                     const std::function<void(std::size_t, const std::vector<std::uint8_t>&)>& consume,
                     const std::function<void(const CompressionProgress&)>& report);

// Reads a whole file; PackError naming it when it cannot be read or is no regular file.
std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path);

}  // namespace quibel::qpack
