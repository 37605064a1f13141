#pragma once
// The headers and tables of a PE image are read a piece at a time into memory, then taken apart field by field.

#include <cstdint>
#include <string>
#include <vector>

#include "payload/ByteSource.h"

namespace quibel::qpack {

// Little-endian fields of a piece of the file read into memory; 0 for what lies past its end.
class FileFields {
  public:
    FileFields(ByteSource& file, std::int64_t offset, std::int64_t size) : bytes_(static_cast<std::size_t>(size)) {
        bytes_.resize(file.ReadAt(offset, bytes_.data(), bytes_.size()));
    }
    bool Holds(std::int64_t offset, std::int64_t size) const {
        return offset >= 0 && offset + size <= static_cast<std::int64_t>(bytes_.size());
    }
    std::uint32_t Little(std::int64_t offset, int size) const {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | (Holds(offset + i, 1) ? bytes_[static_cast<std::size_t>(offset + i)] : 0);
        }
        return value;
    }
    std::string Text(std::int64_t offset, std::size_t size) const {
        std::string text;
        for (std::size_t i = 0; i < size && Holds(offset + static_cast<std::int64_t>(i), 1); ++i) {
            text.push_back(static_cast<char>(bytes_[static_cast<std::size_t>(offset) + i]));
        }
        return text;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace quibel::qpack
