#include "payload/PayloadStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "payload/Errors.h"

namespace quibel {

namespace {

// Reads of a source-backed stream go through a window of this size; a copy moves its bytes in pieces of it.
constexpr std::int64_t kSourceWindow = 64 * 1024;

}  // namespace

void PayloadStream::Replace(std::vector<std::uint8_t> content) {
    source_ = nullptr;
    window_ = {};
    data_ = std::move(content);
    position_ = std::min(position_, Size());
}

void PayloadStream::Clear() {
    source_ = nullptr;
    window_ = {};
    data_ = {};
    position_ = 0;
}

void PayloadStream::ReadFrom(ByteSource& source, std::int64_t size) {
    data_ = {};
    window_ = {};
    windowStart_ = 0;
    source_ = &source;
    sourceSize_ = std::max<std::int64_t>(0, std::min(size, source.Size()));
    position_ = std::min(position_, Size());
}

void PayloadStream::ReadAt(std::int64_t offset, void* buffer, std::int64_t count) {
    if (offset < 0 || count < 0 || offset > Size() - count) {
        throw EReadError();
    }
    auto* into = static_cast<std::uint8_t*>(buffer);
    if (source_ == nullptr) {
        std::memcpy(into, data_.data() + offset, static_cast<std::size_t>(count));
        return;
    }
    const std::int64_t windowEnd = windowStart_ + static_cast<std::int64_t>(window_.size());
    if (offset >= windowStart_ && offset + count <= windowEnd) {
        std::memcpy(into, window_.data() + (offset - windowStart_), static_cast<std::size_t>(count));
    } else if (static_cast<std::int64_t>(source_->ReadAt(offset, into, static_cast<std::size_t>(count))) != count) {
        throw EReadError();
    }
}

void PayloadStream::ReadFromSource(std::uint8_t* buffer, std::int64_t count) {
    const auto readExactly = [this](std::uint8_t* into, std::int64_t n) {
        if (static_cast<std::int64_t>(source_->ReadAt(position_, into, static_cast<std::size_t>(n))) != n) {
            window_.clear();
            throw EReadError();  // the source holds fewer bytes than it said
        }
    };
    const std::int64_t windowEnd = windowStart_ + static_cast<std::int64_t>(window_.size());
    if (position_ < windowStart_ || position_ + count > windowEnd) {
        if (count >= kSourceWindow) {  // a long read goes straight to the caller
            readExactly(buffer, count);
            position_ += count;
            return;
        }
        window_.resize(static_cast<std::size_t>(std::min(kSourceWindow, sourceSize_ - position_)));
        windowStart_ = position_;
        readExactly(window_.data(), static_cast<std::int64_t>(window_.size()));
    }
    std::memcpy(buffer, window_.data() + (position_ - windowStart_), static_cast<std::size_t>(count));
    position_ += count;
}

void PayloadStream::SetPosition(std::int64_t position) {
    if (position < 0) {
        throw EReadError();
    }
    position_ = position;
}

std::int32_t PayloadStream::Read(void* buffer, std::int32_t count) {
    if (count <= 0) {
        return 0;
    }
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, Remaining()));
    if (n > 0 && source_ != nullptr) {
        ReadFromSource(static_cast<std::uint8_t*>(buffer), n);
    } else if (n > 0) {
        std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
        position_ += n;
    }
    return n;
}

bool PayloadStream::ReadUInt16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (Read(bytes, 2) != 2) {
        return false;
    }
    value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool PayloadStream::ReadInt32(std::int32_t& value) {
    std::uint8_t bytes[4];
    if (Read(bytes, 4) != 4) {
        return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                      static_cast<std::uint32_t>(bytes[2]) << 16 |
                                      static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

void PayloadStream::CopyTo(PayloadStream& destination, std::int32_t count) {
    if (count < 0) {
        throw EReadError();
    }
    if (count > Remaining()) {
        position_ = std::max(position_, Size());
        throw EReadError();
    }
    if (source_ == nullptr) {
        destination.Write(data_.data() + position_, count);
        position_ += count;
        return;
    }
    destination.Reserve(count);  // the room at once; when it can't be had, the writes fail with EStreamError
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::int64_t>(count, kSourceWindow)));
    for (std::int32_t left = count; left > 0;) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(left, kSourceWindow));
        ReadFromSource(piece.data(), n);
        destination.Write(piece.data(), n);
        left -= n;
    }
}

bool PayloadStream::Reserve(std::int64_t count) {
    if (count <= 0 || source_ != nullptr) {
        return true;
    }
    const std::int64_t end = position_ + count;
    if (static_cast<std::uint64_t>(end) > data_.max_size()) {
        return false;
    }
    try {
        data_.reserve(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

void PayloadStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0) {
        return;
    }
    if (source_ != nullptr) {
        throw EStreamError();  // a stream read from a source is read only
    }
    const std::int64_t end = position_ + count;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    try {
        if (static_cast<std::size_t>(end) > data_.capacity()) {
            data_.reserve(std::max<std::size_t>(static_cast<std::size_t>(end), data_.capacity() * 2));
        }
        if (position_ == Size()) {
            // Appending, as the decoder and the copies of blocks do: nothing is zero-filled before it is written.
            data_.insert(data_.end(), bytes, bytes + count);
            position_ = end;
            return;
        }
        if (end > Size()) {
            data_.resize(static_cast<std::size_t>(end));
        }
    } catch (const std::bad_alloc&) {
        throw EStreamError();
    } catch (const std::length_error&) {
        throw EStreamError();
    }
    std::memcpy(data_.data() + position_, bytes, static_cast<std::size_t>(count));
    position_ = end;
}

}  // namespace quibel
