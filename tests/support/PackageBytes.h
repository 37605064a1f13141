#pragma once
// Builds package bytes field by field, so that tests can lay out well-formed and hostile packages alike.

#include <cstdint>
#include <string>
#include <vector>

#include "payload/PackageFormat.h"
#include "tests/support/LiteralBlock.h"

namespace quibel::testing {

class PackageBytes {
  public:
    PackageBytes& Word(std::uint16_t value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    PackageBytes& Int32(std::int32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
        }
        return *this;
    }
    PackageBytes& Raw(const std::vector<std::uint8_t>& raw) {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    PackageBytes& Text(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    PackageBytes& String(const std::string& text) { return Int32(static_cast<std::int32_t>(text.size())).Text(text); }
    PackageBytes& Zeros(std::size_t count) {
        bytes.insert(bytes.end(), count, 0);
        return *this;
    }

    // Marker, reserved word and banner.
    PackageBytes& Header(const std::vector<std::string>& banner = {}) {
        for (int i = 0; i < MarkerWordCount; ++i) {
            Word(MarkerWord);
        }
        Word(0).Int32(static_cast<std::int32_t>(banner.size()));
        for (const auto& line : banner) {
            String(line);
        }
        return *this;
    }
    PackageBytes& Directory(const std::string& name) { return Word(DirectoryTag).String(name); }
    // A file entry whose block holds content as a literal-only lh5 stream.
    PackageBytes& File(const std::string& name, const std::vector<std::uint8_t>& content) {
        return FileWithBlock(name, LiteralBlock(content));
    }
    PackageBytes& FileWithBlock(const std::string& name, const std::vector<std::uint8_t>& block) {
        Word(FileTag).String(name).Int32(static_cast<std::int32_t>(block.size() + BlockLengthFieldSize));
        return Raw(block);
    }

    std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace quibel::testing
