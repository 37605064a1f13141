#pragma once
// Compresses files on several threads and hands the blocks back in the given order. Files are cut into parts at
// positions fixed by their sizes (PartsOf), each part compressed on its own and the parts' bits joined in order,
// so the blocks, and the package made of them, are the same for any number of threads, and one large file keeps
// every thread busy.

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
    // Parts start in order, while those started and not yet joined to their block hold at most this many bytes
    // (a part counts the bytes it reads while it is compressed, its bits' once done; a larger part starts alone
    // when its turn comes): memory follows the parts in flight, not their number, beside the block of the file
    // whose turn it is, held whole until written. 0: 8 MiB per thread, 16 MiB at least.
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
// block of file i and of those before it are ready, and report after each part and every eighth of a second
// while it waits. A file that cannot be read, or is no longer the file scanned (HostFile.h), throws PackError
// naming it when its turn comes; the other threads then stop before their next file.
void CompressInOrder(const std::vector<InputFile>& files,
                     const CompressionOptions& options,
                     const std::function<void(std::size_t, const std::vector<std::uint8_t>&)>& consume,
                     const std::function<void(const CompressionProgress&)>& report);

// Reads a whole file; PackError naming it when it cannot be read or is no regular file.
std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path);

}  // namespace quibel::qpack
