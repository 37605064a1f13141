#include "payload/TreeExtractor.h"

#include "payload/DecompressBlock.h"
#include "payload/EntryNameRules.h"
#include "payload/Errors.h"
#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "payload/Texts.h"

namespace quibel {

namespace {

// A tag that cannot be read whole counts as neither entry tag.
std::uint16_t ReadTag(PayloadStream& stream) {
    std::uint16_t tag = 0;
    return stream.ReadUInt16(tag) ? tag : 0;
}

bool IsEntryTag(std::uint16_t tag) {
    return tag == DirectoryTag || tag == FileTag;
}

}  // namespace

TreeExtractor::TreeExtractor(PayloadStream& stream, FileSystem& fileSystem, LineSink& log)
    : stream_(stream), fileSystem_(fileSystem), log_(log) {}

void TreeExtractor::ExtractTree(const std::string& base) {
    baseDirectory_ = base;
    if (ReadTag(stream_) != DirectoryTag) {
        return;
    }
    OpenDirectories open;
    ExtractDirectory(open);
    // Each pass handles one entry of the innermost open list. A list ends on a foreign tag (only that list) or
    // when the data is used up (every list at once).
    while (!open.empty()) {
        const std::uint16_t tag = ReadTag(stream_);
        if (tag == DirectoryTag) {
            ExtractDirectory(open);
            continue;
        }
        if (tag == FileTag) {
            ExtractFile(open.back());
        }
        if (stream_.Position() >= stream_.Size()) {
            return;
        }
        if (!IsEntryTag(tag)) {
            open.pop_back();
        }
    }
}

void TreeExtractor::ExtractDirectory(OpenDirectories& open) {
    const std::string name = ReadLengthString(stream_);
    const std::string path = baseDirectory_ + name;
    log_.AppendLine(Texts::LogDirectoryPrefix + path);
    if (!IsAcceptedDirectoryName(name)) {
        throw EInOutError(SystemError::PathNotFound);
    }
    RefuseLinksBelowBase(name);
    if (!fileSystem_.IsDirectory(path)) {
        fileSystem_.CreateDirectoryLevel(path);
    }
    open.push_back(path);
}

// Every level of the directory below the base (or beside it, for a name glued to the base) must be a directory
// of its own, no link: a link planted in an existing target would send the files elsewhere, into a system
// directory for an elevated installer. The base and the directories above it are the caller's choice.
void TreeExtractor::RefuseLinksBelowBase(const std::string& name) {
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    for (std::size_t end = 1; end <= name.size(); ++end) {
        if ((end == name.size() || isSeparator(name[end])) && !isSeparator(name[end - 1])) {
            fileSystem_.RefuseLink(baseDirectory_ + name.substr(0, end));
        }
    }
}

void TreeExtractor::ExtractFile(const std::string& directoryPath) {
    const std::string name = ReadLengthString(stream_);
    if (name.empty()) {
        return;
    }
    if (!IsAcceptedFileName(name)) {
        throw EInOutError(SystemError::PathNotFound);
    }
    std::int32_t blockLength = 0;
    if (!stream_.ReadInt32(blockLength) || blockLength < BlockLengthFieldSize) {
        throw EReadError();
    }
    PayloadStream block;
    stream_.CopyTo(block, blockLength - BlockLengthFieldSize);
    block.SetPosition(0);
    PayloadStream content;
    const BlockDecodeEnd decodeEnd = DecompressBlock(block, content);

    const std::string filePath = directoryPath + "\\" + name;
    fileSystem_.WriteWholeFile(filePath, content.Data(), static_cast<std::size_t>(content.Size()));
    log_.AppendLine(Texts::LogFilePrefix + filePath + Texts::LogFileSizeSeparator + std::to_string(blockLength) +
                    Texts::LogFileSizeArrow + std::to_string(content.Size()));
    if (decodeEnd.bitsPastEnd > 0 && cutShort_) {
        cutShort_(filePath, decodeEnd.bitsPastEnd);
    }
}

}  // namespace quibel
