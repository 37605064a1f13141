#include "tools/qpack/PackageChecker.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/LineSink.h"
#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "payload/PayloadStream.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/PackageTrailer.h"
#include "tools/qpack/TerminalText.h"
#include "tools/qpack/WindowsNames.h"

namespace quibel::qpack {

namespace {

class CollectedLines final : public LineSink {
  public:
    explicit CollectedLines(std::vector<std::string>& lines) : lines_(lines) {}
    void AppendLine(const std::string& line) override { lines_.push_back(line); }

  private:
    std::vector<std::string>& lines_;
};

std::vector<std::string> Components(const std::string& directoryName) {
    std::vector<std::string> parts;
    std::size_t begin = 1;
    while (begin <= directoryName.size()) {
        const std::size_t end = std::min(directoryName.find('\\', begin), directoryName.size());
        parts.push_back(directoryName.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

// Negative, zero or positive as a sorts before, with or after b in pre-order with each level sorted.
int CompareDirectories(const std::string& a, const std::string& b) {
    const std::vector<std::string> partsA = a.empty() ? std::vector<std::string>{} : Components(a);
    const std::vector<std::string> partsB = b.empty() ? std::vector<std::string>{} : Components(b);
    for (std::size_t i = 0; i < partsA.size() && i < partsB.size(); ++i) {
        if (ComesBefore(partsA[i], partsB[i])) {
            return -1;
        }
        if (ComesBefore(partsB[i], partsA[i])) {
            return 1;
        }
    }
    return static_cast<int>(partsA.size()) - static_cast<int>(partsB.size());
}

std::string Shown(const std::string& name) {
    return TerminalText(name);
}

class Checker {
  public:
    // A signed file's tree is read only up to its certificate table: a tree that ran into it is cut short.
    Checker(const std::vector<std::uint8_t>& bytes, bool decodeBlocks, PackageReport& report)
        : file_(bytes), signature_(FindSignature(bytes)), decodeBlocks_(decodeBlocks), report_(report) {
        stream_.Replace(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + TreeLimit(bytes, signature_)));
        if (signature_.table && !signature_.problem) {
            report_.certificateTableSize = signature_.table->size;
        }
    }

    void Run(std::int32_t from) {
        const std::int64_t marker = FindMarker(from);
        if (marker < 0) {
            report_.faults.push_back("no payload marker at an even distance from offset " + std::to_string(from));
            return;
        }
        report_.payloadFound = true;
        report_.markerOffset = marker;
        CollectedLines banner(report_.bannerLines);
        try {
            FindPayload(stream_, static_cast<std::int32_t>(marker), banner);
        } catch (const Exception&) {
            Fault(stream_.Position(), "the data ends inside the banner");
            return;
        }
        while (stream_.Remaining() > 0) {
            const std::int64_t offset = stream_.Position();
            std::uint16_t tag = 0;
            if (!stream_.ReadUInt16(tag)) {
                Fault(offset, "a lone byte after the last entry");
                return;
            }
            try {
                if (tag == DirectoryTag) {
                    CheckDirectory(offset);
                } else if (tag == FileTag) {
                    CheckFile(offset);
                } else {
                    stream_.SetPosition(offset);
                    break;
                }
            } catch (const EReadError&) {
                Fault(offset, "the data ends inside this entry");
                return;
            }
        }
        if (report_.entries.empty()) {
            report_.faults.push_back("the package holds no root directory entry");
        }
        CheckTrailer(stream_.Position());
    }

  private:
    // The offset of the first run of four MarkerWord values at an even distance from from, as the installer's
    // scan finds it; -1 when there is none.
    std::int64_t FindMarker(std::int32_t from) const {
        const std::uint8_t* data = stream_.Data();
        int run = 0;
        for (std::int64_t offset = from; offset >= 0 && offset + 2 <= stream_.Size(); offset += 2) {
            const auto word = static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
            run = word == MarkerWord ? run + 1 : 0;
            if (run == MarkerWordCount) {
                return offset - 2 * (MarkerWordCount - 1);
            }
        }
        return -1;
    }

    void Fault(std::int64_t offset, const std::string& text) {
        report_.faults.push_back("offset " + std::to_string(offset) + ": " + text);
    }

    // After the tree: one closing tag per open list (the installer opens one per directory entry), then what
    // signing appends; or, in an unsigned package, nothing at all. The installer's walk is replayed over it too.
    void CheckTrailer(std::int64_t treeEnd) {
        const std::size_t openLists = directories_.size();
        const std::uint8_t* data = stream_.Data();
        const std::int64_t limit = stream_.Size();
        std::int64_t end = treeEnd;
        while (report_.closingTags < openLists && end + 2 <= limit && data[end] == 0 && data[end + 1] == 0) {
            ++report_.closingTags;
            end += 2;
        }
        const std::int64_t entryTag = EntryTagInInstallerWalk(file_, treeEnd, openLists);
        if (entryTag >= 0) {
            Fault(entryTag, "the installer's walk goes on past the tree and would read this entry tag");
        }
        if (signature_.problem) {
            Fault(treeEnd, *signature_.problem);
            return;
        }
        if (report_.closingTags == 0 && treeEnd == limit && !signature_.table) {
            return;  // a side archive, or an installer without closing tags: nothing follows
        }
        if (report_.closingTags != openLists) {
            Fault(end, WhatEndsTheTree(end) +
                           ": nothing may follow the last entry but one closing tag (00 00) per open list (" +
                           std::to_string(openLists) + ")" + (signature_.table ? ", then the signature" : ""));
            return;
        }
        if (const auto problem = TrailerProblem(file_, end, signature_)) {
            Fault(end, *problem);
        }
    }

    std::string WhatEndsTheTree(std::int64_t end) const {
        const std::string after = "after " + std::to_string(report_.closingTags) + " closing tags, ";
        if (end + 2 <= stream_.Size()) {
            char text[64];
            std::snprintf(text, sizeof text, "tag 0x%04X is no entry",
                          static_cast<unsigned>(stream_.Data()[end] | stream_.Data()[end + 1] << 8));
            return after + text;
        }
        return after + (end < stream_.Size() ? "a lone byte" : "the tree ends");
    }

    void CheckDirectory(std::int64_t offset) {
        const std::string name = ReadLengthString(stream_);
        report_.entries.push_back({true, name, name, offset, 0, 0});
        if (directories_.empty()) {
            if (!name.empty()) {
                Fault(offset,
                      "the first directory entry must be the root, with the empty name, not \"" + Shown(name) + "\"");
            }
        } else if (name.empty() || name[0] != '\\') {
            Fault(offset, "directory name \"" + Shown(name) + "\" does not begin with \"\\\"");
        } else {
            for (const std::string& part : Components(name)) {
                if (const auto problem = WindowsNameProblem(part)) {
                    Fault(offset, "directory \"" + Shown(name) + "\": " + *problem);
                }
            }
            const std::string parent = name.substr(0, name.rfind('\\'));
            if (seenDirectories_.count(parent) == 0) {
                Fault(offset, "directory \"" + Shown(name) + "\" comes before its parent's entry");
            }
            const int order = CompareDirectories(directories_.back(), name);
            if (order == 0) {
                Fault(offset, "directory \"" + Shown(name) + "\" differs from \"" + Shown(directories_.back()) +
                                  "\" only in letter case");
            } else if (order > 0) {
                Fault(offset, "directory \"" + Shown(name) + "\" is out of order (after \"" +
                                  Shown(directories_.back()) + "\")");
            }
        }
        directories_.push_back(name);
        seenDirectories_.insert(name);
        lastFile_.clear();
    }

    void CheckFile(std::int64_t offset) {
        const std::string name = ReadLengthString(stream_);
        if (name.empty()) {
            Fault(offset, "file entry with an empty name");
            return;
        }
        const std::string directory = directories_.empty() ? std::string() : directories_.back();
        if (directories_.empty()) {
            Fault(offset, "file \"" + Shown(name) + "\" comes before the root directory entry");
        }
        if (const auto problem = WindowsNameProblem(name)) {
            Fault(offset, "file \"" + Shown(name) + "\": " + *problem);
        }
        if (!lastFile_.empty()) {
            if (UpperCaseKey(lastFile_) == UpperCaseKey(name)) {
                Fault(offset,
                      "file \"" + Shown(name) + "\" differs from \"" + Shown(lastFile_) + "\" only in letter case");
            } else if (!ComesBefore(lastFile_, name)) {
                Fault(offset, "file \"" + Shown(name) + "\" is out of order (after \"" + Shown(lastFile_) + "\")");
            }
        }
        lastFile_ = name;
        std::int32_t blockLength = 0;
        if (!stream_.ReadInt32(blockLength)) {
            throw EReadError();
        }
        PackageEntry entry{false, name, directory, offset, blockLength, 0};
        if (blockLength < MinimumBlockLength) {
            Fault(offset, "file \"" + Shown(name) + "\": block length " + std::to_string(blockLength) + " is below " +
                              std::to_string(MinimumBlockLength));
            report_.entries.push_back(entry);
            if (blockLength < BlockLengthFieldSize) {
                throw EReadError();
            }
            stream_.SetPosition(stream_.Position() + blockLength - BlockLengthFieldSize);
            return;
        }
        if (blockLength - BlockLengthFieldSize > stream_.Remaining()) {
            Fault(offset, "file \"" + Shown(name) + "\": block length " + std::to_string(blockLength) +
                              " runs past the end of the data");
            stream_.SetPosition(stream_.Size());
            report_.entries.push_back(entry);
            return;
        }
        const std::int64_t blockStart = stream_.Position();
        stream_.ReadInt32(entry.decodedSize);  // the block holds at least its size field (checked above)
        stream_.SetPosition(blockStart);
        if (entry.decodedSize < 0) {
            Fault(offset, "file \"" + Shown(name) + "\": negative decoded size");
        } else if (decodeBlocks_) {
            CheckBlock(offset, name, entry.decodedSize, blockLength - BlockLengthFieldSize);
        }
        stream_.SetPosition(blockStart + blockLength - BlockLengthFieldSize);
        report_.entries.push_back(entry);
    }

    // Decodes the block at the position in memory: it must give its decoded size from its own bits.
    void CheckBlock(std::int64_t offset, const std::string& name, std::int32_t decodedSize, std::int32_t length) {
        PayloadStream block;
        stream_.CopyTo(block, length);
        block.SetPosition(0);
        PayloadStream content;
        try {
            const BlockDecodeEnd decodeEnd = DecompressBlock(block, content);
            if (content.Size() != decodedSize) {
                Fault(offset, "file \"" + Shown(name) + "\": decoded to " + std::to_string(content.Size()) +
                                  " bytes instead of " + std::to_string(decodedSize));
            } else if (decodeEnd.bitsPastEnd > 0) {
                Fault(offset, "file \"" + Shown(name) + "\": damaged: its symbols run " +
                                  std::to_string(decodeEnd.bitsPastEnd) +
                                  " bits past the end of the bit stream (cut short, or a block length too small)");
            }
        } catch (const ECorruptFile&) {
            Fault(offset, "file \"" + Shown(name) + "\": the block does not decode (Compressed file is corrupt)");
        }
    }

    const std::vector<std::uint8_t>& file_;
    Signature signature_;
    bool decodeBlocks_;
    PackageReport& report_;
    PayloadStream stream_;  // the file up to where its tree must end
    std::vector<std::string> directories_;
    std::unordered_set<std::string> seenDirectories_;  // for the parent check, in constant time
    std::string lastFile_;
};

}  // namespace

PackageReport CheckPackage(const std::vector<std::uint8_t>& bytes, std::int32_t from, bool decodeBlocks) {
    PackageReport report;
    Checker(bytes, decodeBlocks, report).Run(from);
    return report;
}

}  // namespace quibel::qpack
