#pragma once
// Where a decoded block goes, written in pieces of at most 8,192 bytes: the installer builds each file whole in
// memory before it writes it; qpack checks or writes the pieces as they come, so that it never holds a file whole.

#include <cstdint>

namespace quibel {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // The block's decoded size, before the first write. It comes from the data: a hint, not a promise.
    virtual void Expect(std::int32_t size) { static_cast<void>(size); }
    virtual void Write(const std::uint8_t* bytes, std::int32_t count) = 0;
};

}  // namespace quibel
