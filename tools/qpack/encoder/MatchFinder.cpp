#include "tools/qpack/encoder/MatchFinder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quibel::qpack {

namespace {

// The length of the common prefix of a and b, known to be at least from, at most limit; eight bytes at a time.
std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t from, std::size_t limit) {
    std::size_t length = from;
    while (length + 8 <= limit) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y) {
            // Little-endian loads on the hosts we build for: the first differing byte is the lowest set one.
            if constexpr (std::endian::native == std::endian::little) {
                return length + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
            }
            break;
        }
        length += 8;
    }
    while (length < limit && a[length] == b[length]) {
        ++length;
    }
    return length;
}

}  // namespace

MatchFinder::MatchFinder(const std::uint8_t* data, std::size_t size, int depthLimit)
    : data_(data),
      size_(size),
      depthLimit_(depthLimit),
      head_(std::size_t{1} << kHashBits, kNone),
      children_(2 * std::min(kCyclicSize, size), kNone) {}  // a small file needs a slot per position only

int MatchFinder::Find(std::size_t position, Match* out) {
    return Insert(position, out);
}

void MatchFinder::Skip(std::size_t position) {
    Insert(position, nullptr);
}

int MatchFinder::Insert(std::size_t position, Match* out) {
    if (size_ - position < MinMatchLength) {
        return 0;
    }
    const std::uint8_t* current = data_ + position;
    const std::uint32_t hash =
        ((static_cast<std::uint32_t>(current[0]) << 16 | static_cast<std::uint32_t>(current[1]) << 8 | current[2]) *
         2654435761u) >>
        (32 - kHashBits);
    std::uint32_t candidate = head_[hash];
    head_[hash] = static_cast<std::uint32_t>(position);

    const std::size_t lengthLimit = std::min<std::size_t>(MaxMatchLength, size_ - position);
    const std::size_t slot = position % kCyclicSize;
    std::uint32_t* smallerLink = &children_[2 * slot];  // where the next node smaller than current hangs
    std::uint32_t* greaterLink = &children_[2 * slot + 1];
    std::size_t smallerLength = 0;  // common prefix with every node on the smaller side
    std::size_t greaterLength = 0;
    std::size_t bestLength = MinMatchLength - 1;
    int found = 0;
    int depth = depthLimit_;
    for (;;) {
        if (candidate == kNone || position - candidate > static_cast<std::size_t>(WindowSize) || depth-- == 0) {
            *smallerLink = kNone;
            *greaterLink = kNone;
            break;
        }
        const std::uint8_t* other = data_ + candidate;
        std::uint32_t* pair = &children_[2 * (candidate % kCyclicSize)];
        const std::size_t length = CommonLength(other, current, std::min(smallerLength, greaterLength), lengthLimit);
        if (length > bestLength) {
            bestLength = length;
            if (out != nullptr) {
                out[found++] = {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(position - candidate)};
            }
            if (length == lengthLimit) {
                // Equal over the whole limit: current takes the candidate's place in the tree.
                *smallerLink = pair[0];
                *greaterLink = pair[1];
                break;
            }
        }
        if (other[length] < current[length]) {
            *smallerLink = candidate;
            smallerLink = &pair[1];
            candidate = *smallerLink;
            smallerLength = length;
        } else {
            *greaterLink = candidate;
            greaterLink = &pair[0];
            candidate = *greaterLink;
            greaterLength = length;
        }
    }
    return found;
}

}  // namespace quibel::qpack
