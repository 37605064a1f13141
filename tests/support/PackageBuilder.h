#pragma once
// Builds package files in memory for tests: the marker, a banner and an entry tree, each file stored as a
// compressed block. The blocks hold literals only (one segment per 65,535 bytes, every byte value coded in 8 bits),
// a valid lh5 stream that any decoder of the method reads, so that these tests do not depend on the packer.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel::testing {

using Bytes = std::vector<std::uint8_t>;

// A compressed block: the int32 decoded size, then a literal-only lh5 bit stream of content.
Bytes LiteralBlock(const Bytes& content);

class PackageBuilder {
  public:
    PackageBuilder& BannerLine(const std::string& line);
    // A directory entry: "" for the base, else its whole path from the base ("\data\sounds").
    PackageBuilder& Directory(const std::string& name);
    // A file entry in the directory opened last, its block made by LiteralBlock.
    PackageBuilder& File(const std::string& name, const Bytes& content);
    // A file entry with a block given as it stands (block length = 4 + its size).
    PackageBuilder& FileWithBlock(const std::string& name, const Bytes& block);
    // Any bytes, as they stand, after the entries so far (tags of other kinds, cut entries).
    PackageBuilder& Raw(const Bytes& bytes);

    // The payload: marker, reserved word, banner, entries.
    Bytes Build() const;

  private:
    std::vector<std::string> banner_;
    Bytes entries_;
};

// An installer file: leadingSize bytes of stand-in executable image (zeros) followed by the payload.
Bytes InstallerFile(const Bytes& payload, std::size_t leadingSize = 400000);

// Little-endian fields, for hand-made entries.
void AppendUInt16(Bytes& bytes, std::uint16_t value);
void AppendInt32(Bytes& bytes, std::int32_t value);
void AppendLengthString(Bytes& bytes, const std::string& text);

}  // namespace quibel::testing
