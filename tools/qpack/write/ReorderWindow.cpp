#include "tools/qpack/write/ReorderWindow.h"

#include <stdexcept>
#include <utility>

namespace quibel::qpack {

ReorderWindow::ReorderWindow(std::vector<std::uint64_t> sizes, std::uint64_t limit)
    : sizes_(std::move(sizes)), finished_(sizes_.size(), false), limit_(limit) {}

std::optional<std::size_t> ReorderWindow::Start() {
    if (AllStarted()) {
        return std::nullopt;
    }
    const std::uint64_t size = sizes_[nextToStart_];
    const bool isTurn = nextToStart_ == turn_;  // nothing else is live then
    if (!isTurn && (liveBytes_ > limit_ || size > limit_ - liveBytes_)) {
        return std::nullopt;
    }
    liveBytes_ += size;
    return nextToStart_++;
}

void ReorderWindow::Finish(std::size_t index, std::uint64_t heldBytes) {
    if (index >= nextToStart_ || index < turn_ || finished_[index]) {
        throw std::logic_error("a piece finished that was not in flight");
    }
    finished_[index] = true;
    if (heldBytes < sizes_[index]) {
        liveBytes_ -= sizes_[index] - heldBytes;
        sizes_[index] = heldBytes;
    }
}

void ReorderWindow::HandedOn() {
    if (!TurnIsReady()) {
        throw std::logic_error("a piece handed on before it finished");
    }
    liveBytes_ -= sizes_[turn_++];
}

}  // namespace quibel::qpack
