#include "tools/qpack/PayloadBuilder.h"

#include <chrono>
#include <cstdio>

#include "tools/qpack/PackageWriter.h"
#include "tools/qpack/ParallelCompressor.h"

namespace quibel::qpack {

namespace {

// One line on stderr, rewritten in place, once a pack has run for a second.
class ProgressLine {
  public:
    ProgressLine(bool enabled, std::size_t totalFiles) : enabled_(enabled), totalFiles_(totalFiles) {}
    ~ProgressLine() {
        if (shown_) {
            std::fputc('\n', stderr);
        }
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const CompressionProgress& progress) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        if (!enabled_ || seconds < 1.0) {
            return;
        }
        shown_ = true;
        std::fprintf(stderr, "\r%zu/%zu files, %.1f MB in, %.1f MB out, %.1f MB/s   ", progress.filesDone, totalFiles_,
                     static_cast<double>(progress.bytesIn) / 1e6, static_cast<double>(progress.bytesOut) / 1e6,
                     static_cast<double>(progress.bytesIn) / 1e6 / seconds);
        std::fflush(stderr);
    }

  private:
    bool enabled_;
    std::size_t totalFiles_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

PayloadSummary WritePayload(const ScannedTree& tree, const PayloadOptions& options, OutputFile& out) {
    const std::uint64_t startOffset = out.BytesWritten();
    ByteString bytes;
    AppendPackageHeader(bytes, options.bannerLines);
    out.Write(bytes);

    std::vector<std::filesystem::path> files;
    std::vector<std::pair<std::size_t, std::size_t>> owners;  // (directory, file) of each entry in files
    for (std::size_t d = 0; d < tree.directories.size(); ++d) {
        for (std::size_t f = 0; f < tree.directories[d].files.size(); ++f) {
            files.push_back(tree.directories[d].files[f].hostPath);
            owners.emplace_back(d, f);
        }
    }
    PayloadSummary summary;
    std::size_t directoriesWritten = 0;
    auto writeDirectoriesThrough = [&](std::size_t last) {
        while (directoriesWritten <= last && directoriesWritten < tree.directories.size()) {
            bytes.clear();
            AppendDirectoryEntry(bytes, tree.directories[directoriesWritten++].name);
            out.Write(bytes);
        }
    };
    ProgressLine progress(options.showProgress, files.size());
    CompressInOrder(
        files, options.threads, options.encoder,
        [&](std::size_t index, const std::vector<std::uint8_t>& block) {
            const auto [d, f] = owners[index];
            writeDirectoriesThrough(d);
            bytes.clear();
            AppendFileEntry(bytes, tree.directories[d].files[f].name, block);
            out.Write(bytes);
        },
        [&](const CompressionProgress& p) { progress.Show(p); });
    writeDirectoriesThrough(tree.directories.size());
    if (options.closeLists) {
        bytes.clear();
        AppendClosingTags(bytes, tree.directories.size());
        out.Write(bytes);
    }
    summary.directories = tree.directories.size();
    summary.files = files.size();
    summary.bytesIn = tree.totalBytes;
    summary.payloadBytes = out.BytesWritten() - startOffset;
    return summary;
}

}  // namespace quibel::qpack
