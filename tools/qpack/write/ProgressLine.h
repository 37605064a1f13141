#pragma once
// The progress of a pack on one line of stderr, rewritten in place: input bytes compressed (within files too)
// and files done out of the totals, the rate and the time left. Never wider than the terminal, so that it never
// wraps into a second line; at most four updates a second. Meant for a terminal only; the caller decides.

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/qpack/write/ParallelCompressor.h"

namespace quibel::qpack {

// "12.3/58.4 MB, 812/2064 files, 9.7 MB/s, 0:04 left"; once all is done, "done in 0:06" instead of the time left.
// Within columns - 1 (the last column would wrap on some terminals): the parts that do not fit are left out from
// the end, and a first part that does not fit alone is cut.
std::string ProgressText(const CompressionProgress& progress,
                         std::size_t totalFiles,
                         std::uint64_t totalBytes,
                         double seconds,
                         std::size_t columns);

class ProgressLine {
  public:
    ProgressLine(bool enabled, std::size_t totalFiles, std::uint64_t totalBytes);
    // Clears the line if the pack ends before Finish (a failure's message then starts a clean line).
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Redraws at most four times a second, from half a second into the pack; at once after Clear.
    void Update(const CompressionProgress& progress);
    // Takes the line off the terminal before other output goes there.
    void Clear();
    // The last figures, ended by a line feed, if the line was ever shown.
    void Finish(const CompressionProgress& progress);

  private:
    void Draw(const CompressionProgress& progress);
    double Seconds() const;

    bool enabled_;
    std::size_t totalFiles_;
    std::uint64_t totalBytes_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    double drawnAt_ = 0;
    bool everShown_ = false;
    std::size_t width_ = 0;  // of the text on the terminal now; 0 when none is
};

}  // namespace quibel::qpack
