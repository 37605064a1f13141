#pragma once
// Builds the payload of a scanned tree (marker, banner, entries, one closing tag per directory entry, the digest
// record) and writes it to an output file, the files compressed on several threads and written in canonical
// order as soon as each one's turn comes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/encoder/Lh5Encoder.h"
#include "tools/qpack/tree/TreeScanner.h"
#include "tools/qpack/write/InstallerMemory.h"
#include "tools/qpack/write/OutputFile.h"
#include "tools/qpack/write/ParallelCompressor.h"

namespace quibel::qpack {

struct PayloadOptions {
    std::vector<std::string> bannerLines;  // Windows-1252
    int threads = 1;
    EncoderSettings encoder;
    std::uint64_t windowBytes = 0;  // see CompressionOptions; 0 for the default
    bool showProgress = false;      // a progress line on stderr, rewritten in place: for a terminal only
    bool verbose = false;           // one line per file on stdout as it is written (ListingLine)
};

struct PayloadSummary {
    std::size_t directories = 0;
    std::size_t files = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t payloadBytes = 0;
    // The first file whose block length and decoded size together are the largest (what the installer holds at
    // once beside itself, so that InstallerMemoryWarning needs no reading back), named by its host path; none when
    // the tree holds no file.
    std::optional<StoredFile> heaviestFile;
};

// digest has been given what out holds before the payload (an installer's stub image); it is given the payload
// too, and the record ends the file.
PayloadSummary WritePayload(const ScannedTree& tree,
                            const PayloadOptions& options,
                            OutputFile& out,
                            PackageDigester& digest);

// One file of a verbose pack: its stored size (block length), size and their ratio in aligned columns, as qpack
// list shows them, then its path in the package ("\data\a.txt") through TerminalText.
std::string ListingLine(const std::string& directory,
                        const std::string& name,
                        std::uint64_t size,
                        std::uint64_t stored);

}  // namespace quibel::qpack
