#include "tools/qpack/write/ProgressLine.h"

#include <algorithm>
#include <cstdio>

#include "tools/qpack/common/Terminal.h"

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
                         double seconds,
                         std::size_t columns) {
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
    char bytes[64];
    std::snprintf(bytes, sizeof bytes, "%.1f/%.1f MB", megabytes, static_cast<double>(totalBytes) / 1e6);
    char files[64];
    std::snprintf(files, sizeof files, "%zu/%zu files", progress.filesDone, totalFiles);
    char speed[32];
    std::snprintf(speed, sizeof speed, "%.1f MB/s", rate);
    const std::size_t room = columns > 1 ? columns - 1 : 1;
    std::string text = bytes;
    for (const std::string& part : {std::string(files), std::string(speed), time}) {
        if (text.size() + 2 + part.size() > room) {
            break;
        }
        text += ", " + part;
    }
    return text.substr(0, room);
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
    Draw(progress);
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
        Draw(progress);
        std::fputc('\n', stderr);
        std::fflush(stderr);
        width_ = 0;
    }
}

void ProgressLine::Draw(const CompressionProgress& progress) {
    // The terminal's width is asked each time: a window may be narrowed while the pack runs.
    const std::size_t columns = StderrColumns();
    const std::string text = ProgressText(progress, totalFiles_, totalBytes_, Seconds(), columns);
    // Spaces over what is left of a longer line before, as far as the terminal is wide.
    const std::size_t covered = std::min(width_, columns > 1 ? columns - 1 : 1);
    const int padding = covered > text.size() ? static_cast<int>(covered - text.size()) : 0;
    std::fprintf(stderr, "\r%s%*s", text.c_str(), padding, "");
    std::fflush(stderr);
    everShown_ = true;
    width_ = text.size() + static_cast<std::size_t>(padding);
}

double ProgressLine::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace quibel::qpack
