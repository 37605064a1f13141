#include "payload/TreeExtractor.h"

#include <algorithm>

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

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// How much of name is levels of a name accepted before: the name rules look at each level on its own, and a
// canonical package's names each extend the one before, so that checking only the rest keeps every entry's cost
// from growing with its depth.
std::size_t AcceptedLevels(const std::string& accepted, const std::string& name) {
    std::size_t end = static_cast<std::size_t>(
        std::mismatch(name.begin(), name.end(), accepted.begin(), accepted.end()).first - name.begin());
    const auto endsLevelOfBoth = [&](std::size_t at) {
        return (at == name.size() || IsSeparator(name[at])) && (at == accepted.size() || IsSeparator(accepted[at]));
    };
    while (end > 0 && !endsLevelOfBoth(end)) {
        --end;
    }
    return end;
}

// Passes the decoded pieces on to the new file and counts them for the log line.
class CountedFile final : public ByteSink {
  public:
    explicit CountedFile(FileSystem::NewFile& file) : file_(file) {}
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        file_.Write(bytes, count);
        written += count;
    }
    std::int64_t written = 0;

  private:
    FileSystem::NewFile& file_;
};

}  // namespace

TreeExtractor::TreeExtractor(PayloadStream& stream, FileSystem& fileSystem, LineSink& log)
    : stream_(stream), fileSystem_(fileSystem), log_(log) {}

void TreeExtractor::ExtractTree(const std::string& base) {
    baseDirectory_ = base;
    if (ReadTag(stream_) != DirectoryTag) {
        return;
    }
    DirectoryChain chain(fileSystem_, base);
    OpenDirectories open;
    ExtractDirectory(chain, open);
    // Each pass handles one entry of the innermost open list. A list ends on a foreign tag (only that list) or
    // when the data is used up (every list at once).
    while (!open.empty()) {
        const std::uint16_t tag = ReadTag(stream_);
        if (tag == DirectoryTag) {
            ExtractDirectory(chain, open);
            continue;
        }
        if (tag == FileTag) {
            ExtractFile(chain, NameOf(open.back()));
        }
        if (stream_.Position() >= stream_.Size()) {
            return;
        }
        if (!IsEntryTag(tag)) {
            open.pop_back();
        }
    }
}

void TreeExtractor::ExtractDirectory(DirectoryChain& chain, OpenDirectories& open) {
    const std::string name = ReadLengthString(stream_);
    log_.AppendLine(Texts::LogDirectoryPrefix + baseDirectory_ + name);
    if (!IsAcceptedDirectoryName(name.substr(AcceptedLevels(acceptedName_, name)))) {
        RefuseName(baseDirectory_ + name);
    }
    acceptedName_ = name;
    // The base and every level below it: a link planted in an existing target (a junction in place of
    // c:\speng, say) would send the files elsewhere, into a system directory for an elevated installer.
    chain.Reach(name, true);
    open.push_back({stream_.Position() - static_cast<std::int64_t>(name.size()), name.size()});
}

void TreeExtractor::RefuseName(const std::string& path) const {
    if (refusedName_) {
        refusedName_(path);
    }
    throw EInOutError(SystemError::PathNotFound);
}

std::string TreeExtractor::NameOf(const OpenDirectory& directory) const {
    std::string name(directory.nameSize, '\0');
    stream_.ReadAt(directory.nameOffset, name.data(), static_cast<std::int64_t>(name.size()));
    return name;
}

void TreeExtractor::ExtractFile(DirectoryChain& chain, const std::string& directoryName) {
    const std::string name = ReadLengthString(stream_);
    if (name.empty()) {
        return;
    }
    if (!IsAcceptedFileName(name)) {
        RefuseName(baseDirectory_ + directoryName + "\\" + name);
    }
    std::int32_t blockLength = 0;
    if (!stream_.ReadInt32(blockLength) || blockLength < BlockLengthFieldSize) {
        throw EReadError();
    }
    PayloadStream block;
    stream_.CopyTo(block, blockLength - BlockLengthFieldSize);
    block.SetPosition(0);

    const std::string filePath = baseDirectory_ + directoryName + "\\" + name;
    BlockDecodeEnd decodeEnd;
    std::int64_t size = 0;
    if (whileDecoding_) {
        const auto file = fileSystem_.CreateNewFile(chain.Reach(directoryName, false), filePath, name);
        CountedFile counted(*file);
        try {
            decodeEnd = DecompressBlock(block, counted);
        } catch (const ECorruptFile&) {
            file->Remove();
            throw;
        }
        file->Close();
        size = counted.written;
    } else {
        PayloadStream content;
        decodeEnd = DecompressBlock(block, content);
        // Reached after the decoding, which may take seconds: the directory's path is checked again right
        // before the file is created.
        const auto file = fileSystem_.CreateNewFile(chain.Reach(directoryName, false), filePath, name);
        file->Write(content.Data(), static_cast<std::int32_t>(content.Size()));
        file->Close();
        size = content.Size();
    }
    log_.AppendLine(Texts::LogFilePrefix + filePath + Texts::LogFileSizeSeparator + std::to_string(blockLength) +
                    Texts::LogFileSizeArrow + std::to_string(size));
    if (decodeEnd.bitsPastEnd > 0 && cutShort_) {
        cutShort_(filePath, decodeEnd.bitsPastEnd);
    }
}

}  // namespace quibel
