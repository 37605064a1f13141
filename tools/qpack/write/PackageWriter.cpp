#include "tools/qpack/write/PackageWriter.h"

#include "payload/PackageFormat.h"
#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

namespace {

void AppendUInt16(ByteString& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendInt32(ByteString& out, std::int64_t value) {
    if (value < 0 || value > 0x7FFFFFFF) {
        throw PackError("a length of " + std::to_string(value) + " does not fit the package's 32-bit fields");
    }
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
}

void AppendLengthString(ByteString& out, const std::string& text) {
    AppendInt32(out, static_cast<std::int64_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

void AppendPackageHeader(ByteString& out, const std::vector<std::string>& bannerLines) {
    for (int i = 0; i < MarkerWordCount; ++i) {
        AppendUInt16(out, MarkerWord);
    }
    AppendUInt16(out, 0);
    AppendInt32(out, static_cast<std::int64_t>(bannerLines.size()));
    for (const std::string& line : bannerLines) {
        AppendLengthString(out, line);
    }
}

void AppendDirectoryEntry(ByteString& out, const std::string& name) {
    AppendUInt16(out, DirectoryTag);
    AppendLengthString(out, name);
}

void AppendFileEntryHead(ByteString& out, const std::string& name, std::size_t blockSize) {
    AppendUInt16(out, FileTag);
    AppendLengthString(out, name);
    AppendInt32(out, BlockLengthFieldSize + static_cast<std::int64_t>(blockSize));
}

void AppendFileEntry(ByteString& out, const std::string& name, const ByteString& block) {
    AppendFileEntryHead(out, name, block.size());
    out.insert(out.end(), block.begin(), block.end());
}

void AppendClosingTags(ByteString& out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        AppendUInt16(out, ClosingTag);
    }
}

}  // namespace quibel::qpack
