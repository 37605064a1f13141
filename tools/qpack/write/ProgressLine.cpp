#include "tools/qpack/write/ProgressLine.h"

#include <cstdio>

namespace quibel::qpack {

namespace {

constexpr double kFirstDraw = 0.5;
constexpr double kRedrawEvery = 0.25;

std::string Clock(double seconds) {
    const auto total = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

}  // namespace

std::string ProgressText(const CompressionProgress& progress,
                         std::size_t totalFiles,
                         std::uint64_t totalBytes,
                         double seconds) {
    const double megabytes = static_cast<double>(progress.bytesIn) / 1e6;
    const double rate = seconds > 0 ? megabytes / seconds : 0.0;
    std::string time;
    if (progress.filesDone == totalFiles) {
        time = "done in " + Clock(seconds);
    } else if (progress.bytesIn > 0 && progress.bytesIn < totalBytes) {
        time = Clock(static_cast<double>(totalBytes - progress.bytesIn) * seconds /
                     static_cast<double>(progress.bytesIn)) +
               " left";
    } else {
        time = "-:-- left";
    }
    char text[160];
    std::snprintf(text, sizeof text, "%.1f/%.1f MB, %zu/%zu files, %.1f MB/s, %s", megabytes,
                  static_cast<double>(totalBytes) / 1e6, progress.filesDone, totalFiles, rate, time.c_str());
    return text;
}

ProgressLine::ProgressLine(bool enabled, std::size_t totalFiles, std::uint64_t totalBytes)
    : enabled_(enabled), totalFiles_(totalFiles), totalBytes_(totalBytes) {}

ProgressLine::~ProgressLine() {
    Clear();
}

void ProgressLine::Update(const CompressionProgress& progress) {
    const double now = Seconds();
    const bool due = everShown_ ? (width_ == 0 || now - drawnAt_ >= kRedrawEvery) : now >= kFirstDraw;
    if (!enabled_ || !due) {
        return;
    }
    drawnAt_ = now;
    Draw(ProgressText(progress, totalFiles_, totalBytes_, now));
}

void ProgressLine::Clear() {
    if (width_ > 0) {
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
        std::fflush(stderr);
        width_ = 0;
    }
}

void ProgressLine::Finish(const CompressionProgress& progress) {
    if (everShown_) {
        Draw(ProgressText(progress, totalFiles_, totalBytes_, Seconds()));
        std::fputc('\n', stderr);
        std::fflush(stderr);
        width_ = 0;
    }
}

void ProgressLine::Draw(const std::string& text) {
    // Spaces over what is left of a longer line before.
    const int padding = width_ > text.size() ? static_cast<int>(width_ - text.size()) : 0;
    std::fprintf(stderr, "\r%s%*s", text.c_str(), padding, "");
    std::fflush(stderr);
    everShown_ = true;
    width_ = text.size() + static_cast<std::size_t>(padding);
}

double ProgressLine::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace quibel::qpack
