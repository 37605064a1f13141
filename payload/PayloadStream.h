#pragma once
// An in-memory byte stream with a read position: a whole package file while it is read, and the compressed
// block and decoded content of one file entry. qpack may instead read a package through it as it is walked
// (ReadFrom): the same reads and copies, with only a small window of the file in memory.

#include <cstdint>
#include <vector>

#include "payload/ByteSource.h"

namespace quibel {

class PayloadStream {
  public:
    PayloadStream() = default;
    PayloadStream(const PayloadStream&) = delete;
    PayloadStream& operator=(const PayloadStream&) = delete;
    PayloadStream(PayloadStream&&) = default;
    PayloadStream& operator=(PayloadStream&&) = default;

    // Replaces the content; the position stays where it was unless it lay beyond the new end.
    void Replace(std::vector<std::uint8_t> content);
    void Clear();
    // The content becomes the first size bytes of source (all of it when it holds fewer), read as they are
    // reached; the source must outlive the stream's use of it. Reads and copies then work as on memory; Data()
    // and Bytes() are empty and writes fail. A source that delivers fewer bytes than it promised gives EReadError.
    void ReadFrom(ByteSource& source, std::int64_t size);

    std::int64_t Size() const { return source_ != nullptr ? sourceSize_ : static_cast<std::int64_t>(data_.size()); }
    std::int64_t Position() const { return position_; }
    // May be placed at or beyond the end, where reads then deliver nothing. A negative position is a caller's
    // fault: EReadError, and the position stays where it was.
    void SetPosition(std::int64_t position);
    std::int64_t Remaining() const { return position_ < Size() ? Size() - position_ : 0; }

    // Copies min(count, remaining) bytes (none for a negative count), advances past them, returns how many.
    std::int32_t Read(void* buffer, std::int32_t count);
    // Copies count bytes from offset without moving the position (a name read before, say); EReadError when they
    // do not all lie within the data.
    void ReadAt(std::int64_t offset, void* buffer, std::int64_t count);
    // Reads a little-endian word or count; returns false, with the position at the end, when fewer bytes remain.
    bool ReadUInt16(std::uint16_t& value);
    bool ReadInt32(std::int32_t& value);

    // Copies the next count bytes into another stream at its position. EReadError when count is negative
    // (position unchanged) or when fewer remain (position then at the end of the data).
    void CopyTo(PayloadStream& destination, std::int32_t count);

    // Makes room for count more bytes at the position ahead of the writes, so that they need not grow the stream
    // step by step. Returns whether the room was had; when it can't be, nothing changes and writes grow the stream
    // as they go.
    bool Reserve(std::int64_t count);

    // Writes at the position, growing the stream as needed (EStreamError when no memory is left).
    void Write(const void* buffer, std::int32_t count);

    const std::uint8_t* Data() const { return data_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }

  private:
    // Copies count bytes at the position of a source-backed stream, through the read-ahead window.
    void ReadFromSource(std::uint8_t* buffer, std::int64_t count);

    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
    ByteSource* source_ = nullptr;
    std::int64_t sourceSize_ = 0;
    std::vector<std::uint8_t> window_;  // the source's bytes from windowStart_ on
    std::int64_t windowStart_ = 0;
};

}  // namespace quibel
