#include "tools/qpack/write/PayloadBuilder.h"

#include <cstdio>

#include "payload/PackageFormat.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/write/PackageWriter.h"
#include "tools/qpack/write/ParallelCompressor.h"
#include "tools/qpack/write/ProgressLine.h"

namespace quibel::qpack {

std::string ListingLine(const std::string& directory,
                        const std::string& name,
                        std::uint64_t size,
                        std::uint64_t stored) {
    const double ratio = size > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(size) : 0.0;
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%12llu %12llu %6.1f%%  ", static_cast<unsigned long long>(stored),
                  static_cast<unsigned long long>(size), ratio);
    return numbers + TerminalText(directory) + "\\" + TerminalText(name);
}

namespace {

void NoteIfHeaviest(PayloadSummary& summary,
                    const ScannedDirectory& directory,
                    const ScannedFile& file,
                    const std::vector<std::uint8_t>& block) {
    std::int32_t decoded = 0;  // the block's own size field: the bytes read, whatever the scan saw
    for (int i = 3; i >= 0; --i) {
        decoded = static_cast<std::int32_t>(static_cast<std::uint32_t>(decoded) << 8 | block.at(i));
    }
    const auto blockLength = static_cast<std::int32_t>(BlockLengthFieldSize + block.size());
    const auto weight = [](const StoredFile& f) { return std::int64_t{f.blockLength} + f.decodedSize; };
    StoredFile stored{"", blockLength, decoded};
    if (!summary.heaviestFile || weight(stored) > weight(*summary.heaviestFile)) {
        stored.path = DisplayPath(directory.hostPath / file.hostName);  // the path is made for the heaviest only
        summary.heaviestFile = std::move(stored);
    }
}

}  // namespace

PayloadSummary WritePayload(const ScannedTree& tree,
                            const PayloadOptions& options,
                            OutputFile& out,
                            PackageDigester& digest) {
    const std::uint64_t startOffset = out.BytesWritten();
    const auto write = [&](const ByteString& piece) {
        out.Write(piece);
        digest.Add(piece);
    };
    ByteString bytes;
    AppendPackageHeader(bytes, options.bannerLines);
    write(bytes);

    std::vector<InputFile> files;
    files.reserve(tree.fileCount);
    for (const ScannedDirectory& directory : tree.directories) {
        for (const ScannedFile& file : directory.files) {
            files.push_back({&directory.hostPath, &file.hostName, file.size, file.identity, file.viaLink});
        }
    }
    std::size_t directoriesWritten = 0;
    auto writeDirectoriesThrough = [&](std::size_t last) {
        while (directoriesWritten <= last && directoriesWritten < tree.directories.size()) {
            bytes.clear();
            AppendDirectoryEntry(bytes, tree.directories[directoriesWritten++].name);
            write(bytes);
        }
    };
    ProgressLine progress(options.showProgress, files.size(), tree.totalBytes);
    CompressionProgress done;
    PayloadSummary summary;
    std::size_t d = 0;  // the directory and file whose turn it is
    std::size_t f = 0;
    CompressInOrder(
        files, {options.threads, options.windowBytes, options.encoder},
        [&](std::size_t, const std::vector<std::uint8_t>& block) {
            for (; f == tree.directories[d].files.size(); f = 0) {
                ++d;
            }
            writeDirectoriesThrough(d);
            const ScannedFile& file = tree.directories[d].files[f++];
            bytes.clear();
            AppendFileEntryHead(bytes, file.name, block.size());
            write(bytes);
            write(block);  // from where it lies: a large block is held once
            NoteIfHeaviest(summary, tree.directories[d], file, block);
            if (options.verbose) {
                progress.Clear();
                WriteStandardOutput(
                    ListingLine(tree.directories[d].name, file.name, file.size, BlockLengthFieldSize + block.size()) +
                        "\n",
                    true);
            }
        },
        [&](const CompressionProgress& p) {
            done = p;
            progress.Update(p);
        });
    writeDirectoriesThrough(tree.directories.size());
    // The installer's walk ends at the closing tags, before the record and anything signing appends.
    bytes.clear();
    AppendClosingTags(bytes, tree.directories.size());
    write(bytes);
    out.Write(digest.Record());
    progress.Finish(done);
    summary.directories = tree.directories.size();
    summary.files = files.size();
    summary.bytesIn = tree.totalBytes;
    summary.payloadBytes = out.BytesWritten() - startOffset;
    return summary;
}

}  // namespace quibel::qpack
