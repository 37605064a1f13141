#pragma once
// Which piece of work may start and which may be handed on, when pieces are done in any order but must be
// handed on in their own order. Pieces start in ascending order, and only while the bytes of those started and
// not yet handed on stay within a limit: memory then follows the pieces in flight, whatever their number. A
// piece counts its input size while in flight, what it holds (its result, if smaller) once finished. The piece
// whose turn it is always starts, alone if it is larger than the limit, so that no piece waits forever.
// Not thread-safe: the caller holds a lock around it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quibel::qpack {

class ReorderWindow {
  public:
    ReorderWindow(std::vector<std::uint64_t> sizes, std::uint64_t limit);

    // The next piece to start, or nothing when all have started or the next one does not fit yet.
    std::optional<std::size_t> Start();
    bool AllStarted() const { return nextToStart_ == sizes_.size(); }
    // The piece is done and holds heldBytes until it is handed on.
    void Finish(std::size_t index, std::uint64_t heldBytes);

    // Whether the piece whose turn it is has finished; HandedOn then moves the turn past it and frees its bytes.
    bool TurnIsReady() const { return turn_ < sizes_.size() && finished_[turn_]; }
    void HandedOn();
    std::size_t Turn() const { return turn_; }
    bool AllHandedOn() const { return turn_ == sizes_.size(); }

    // The bytes of the pieces started and not handed on, and their number.
    std::uint64_t LiveBytes() const { return liveBytes_; }
    std::size_t LivePieces() const { return nextToStart_ - turn_; }

  private:
    std::vector<std::uint64_t> sizes_;  // what each piece counts for: its input size, then what it holds
    std::vector<bool> finished_;
    std::uint64_t limit_;
    std::uint64_t liveBytes_ = 0;
    std::size_t nextToStart_ = 0;
    std::size_t turn_ = 0;
};

}  // namespace quibel::qpack
