#include "tests/support/PackageBuilder.h"

#include <algorithm>

#include "payload/PackageFormat.h"

namespace quibel::testing {

namespace {

class BitWriter {
  public:
    void Write(std::uint32_t value, int count) {
        for (int bit = count - 1; bit >= 0; --bit) {
            current_ = static_cast<std::uint8_t>((current_ << 1) | ((value >> bit) & 1));
            if (++filled_ == 8) {
                bytes_.push_back(current_);
                current_ = 0;
                filled_ = 0;
            }
        }
    }
    Bytes Finish() {
        if (filled_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(current_ << (8 - filled_)));
        }
        return bytes_;
    }

  private:
    Bytes bytes_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

constexpr std::size_t SegmentSymbols = 65535;
constexpr int LiteralCount = 256;
constexpr std::uint32_t LengthCodeForEight = 8 + 2;  // length-code symbol v gives a length of v - 2

// A segment whose main code gives all 256 literals 8 bits: then the canonical code of byte b is b itself.
void WriteLiteralSegment(BitWriter& bits, const std::uint8_t* data, std::size_t count) {
    bits.Write(static_cast<std::uint32_t>(count), 16);
    bits.Write(0, 5);                   // length-code set: no list, one symbol used without bits ...
    bits.Write(LengthCodeForEight, 5);  // ... which says "length 8"
    bits.Write(LiteralCount, 9);        // main set: 256 lengths, each that one symbol
    bits.Write(0, 4);                   // offset set: no list, symbol 0 (never used)
    bits.Write(0, 4);
    for (std::size_t i = 0; i < count; ++i) {
        bits.Write(data[i], 8);
    }
}

}  // namespace

void AppendUInt16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendInt32(Bytes& bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

void AppendLengthString(Bytes& bytes, const std::string& text) {
    AppendInt32(bytes, static_cast<std::int32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

Bytes LiteralBlock(const Bytes& content) {
    Bytes block;
    AppendInt32(block, static_cast<std::int32_t>(content.size()));
    BitWriter bits;
    for (std::size_t done = 0; done < content.size(); done += SegmentSymbols) {
        WriteLiteralSegment(bits, content.data() + done, std::min(SegmentSymbols, content.size() - done));
    }
    const Bytes stream = bits.Finish();
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

PackageBuilder& PackageBuilder::BannerLine(const std::string& line) {
    banner_.push_back(line);
    return *this;
}

PackageBuilder& PackageBuilder::Directory(const std::string& name) {
    AppendUInt16(entries_, DirectoryTag);
    AppendLengthString(entries_, name);
    return *this;
}

PackageBuilder& PackageBuilder::File(const std::string& name, const Bytes& content) {
    return FileWithBlock(name, LiteralBlock(content));
}

PackageBuilder& PackageBuilder::FileWithBlock(const std::string& name, const Bytes& block) {
    AppendUInt16(entries_, FileTag);
    AppendLengthString(entries_, name);
    AppendInt32(entries_, static_cast<std::int32_t>(BlockLengthFieldSize + block.size()));
    entries_.insert(entries_.end(), block.begin(), block.end());
    return *this;
}

PackageBuilder& PackageBuilder::Raw(const Bytes& bytes) {
    entries_.insert(entries_.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes PackageBuilder::Build() const {
    Bytes package;
    for (int i = 0; i < MarkerWordCount; ++i) {
        AppendUInt16(package, MarkerWord);
    }
    AppendUInt16(package, 0);
    AppendInt32(package, static_cast<std::int32_t>(banner_.size()));
    for (const auto& line : banner_) {
        AppendLengthString(package, line);
    }
    package.insert(package.end(), entries_.begin(), entries_.end());
    return package;
}

Bytes InstallerFile(const Bytes& payload, std::size_t leadingSize) {
    Bytes file(leadingSize, 0);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

}  // namespace quibel::testing
