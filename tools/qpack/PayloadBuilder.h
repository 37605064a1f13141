#pragma once
// Builds the payload of a scanned tree (marker, banner, entries) and writes it to an output file, the files
// compressed on several threads and written in canonical order.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qpack/OutputFile.h"
#include "tools/qpack/TreeScanner.h"
#include "tools/qpack/encoder/Lh5Encoder.h"

namespace quibel::qpack {

struct PayloadOptions {
    std::vector<std::string> bannerLines;  // Windows-1252
    int threads = 1;
    EncoderSettings encoder;
    bool showProgress = false;  // a progress line on stderr, for a terminal
    bool closeLists = false;    // end the tree with one closing tag per directory entry (installers)
};

struct PayloadSummary {
    std::size_t directories = 0;
    std::size_t files = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t payloadBytes = 0;
};

PayloadSummary WritePayload(const ScannedTree& tree, const PayloadOptions& options, OutputFile& out);

}  // namespace quibel::qpack
