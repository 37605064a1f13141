#pragma once
// Where list and verify decode a file: the decoder's pieces (8,192 bytes at most) are counted against the size
// the block declares, handed on to an observer if there is one, and dropped, so that a block that declares 2 GiB
// costs no more memory than one that declares nothing.

#include <cstdint>
#include <functional>
#include <span>

#include "payload/ByteSink.h"

namespace quibel::qpack {

class CheckingSink final : public ByteSink {
  public:
    using Observer = std::function<void(std::span<const std::uint8_t>)>;
    explicit CheckingSink(Observer observer = {}) : observer_(std::move(observer)) {}

    void Expect(std::int32_t size) override { expected_ = size; }
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        written_ += count;
        if (observer_) {
            observer_(std::span(bytes, static_cast<std::size_t>(count)));
        }
    }

    std::int64_t Written() const { return written_; }
    // Whether exactly the declared size arrived (nothing is declared, and nothing written, for a size of 0 or
    // below).
    bool Complete() const { return written_ == (expected_ > 0 ? expected_ : 0); }

  private:
    Observer observer_;
    std::int64_t expected_ = 0;
    std::int64_t written_ = 0;
};

}  // namespace quibel::qpack
