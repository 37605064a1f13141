#include "tools/qpack/inspect/PackageChecker.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/LineSink.h"
#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "payload/PayloadStream.h"
#include "tools/qpack/common/InstallPaths.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/common/WindowsNames.h"
#include "tools/qpack/inspect/CheckingSink.h"
#include "tools/qpack/inspect/ExtractionTarget.h"
#include "tools/qpack/inspect/MarkerScan.h"
#include "tools/qpack/inspect/PackageTrailer.h"
#include "tools/qpack/inspect/SiblingNames.h"

namespace quibel::qpack {

namespace {

// Banner lines counted and handed on as they are read; kept only when asked.
class BannerLines final : public LineSink {
  public:
    BannerLines(PackageReport& report, const CheckOptions& options) : report_(report), options_(options) {}
    void AppendLine(const std::string& line) override {
        ++report_.bannerLineCount;
        if (options_.keepEntries) {
            report_.bannerLines.push_back(line);
        }
        if (options_.bannerLine) {
            options_.bannerLine(report_, line);
        }
    }

  private:
    PackageReport& report_;
    const CheckOptions& options_;
};

// Whether prefix is path or one of its ancestors.
bool IsAncestorOrSelf(const std::string& prefix, const std::string& path) {
    return path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '\\');
}

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

std::uint16_t TagAt(ByteSource& file, std::int64_t offset) {
    std::uint8_t bytes[2] = {};
    file.ReadAt(offset, bytes, 2);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

class Checker {
  public:
    // A signed file's tree is read only up to its certificate table: a tree that ran into it is cut short.
    Checker(ByteSource& file, const CheckOptions& options, PackageReport& report)
        : file_(file),
          signature_(FindSignature(file)),
          options_(options),
          report_(report),
          paths_(options.installBase) {
        stream_.ReadFrom(file, TreeLimit(file, signature_));
        if (signature_.table && !signature_.problem) {
            report_.certificateTableSize = signature_.table->size;
        }
    }

    void Run(std::int32_t from) {
        const std::int64_t marker = FindMarker(file_, from, stream_.Size());
        if (marker < 0) {
            report_.faults.push_back("no payload marker at an even distance from offset " + std::to_string(from));
            return;
        }
        report_.payloadFound = true;
        report_.markerOffset = marker;
        BannerLines banner(report_, options_);
        try {
            stream_.SetPosition(marker + 2 * MarkerWordCount);  // the marker may lie beyond an int32 scan start
            ReadBanner(stream_, banner);
        } catch (const EReadError&) {
            Fault(stream_.Position(), "truncated: the file ends inside the banner");
            return;
        } catch (const std::bad_alloc&) {
            Fault(stream_.Position(), "out of memory for a banner line");
            return;
        }
        while (stream_.Remaining() > 0) {
            const std::int64_t offset = stream_.Position();
            std::uint16_t tag = 0;
            if (!stream_.ReadUInt16(tag)) {
                Fault(offset, "a lone byte after the last entry");
                return;
            }
            if (tag != DirectoryTag && tag != FileTag) {
                stream_.SetPosition(offset);
                break;
            }
            if (!CheckEntry(offset, tag)) {
                return;
            }
        }
        if (report_.directories + report_.files == 0) {
            report_.faults.push_back("the package holds no root directory entry");
        }
        CheckTrailer(stream_.Position());
    }

    std::vector<std::string> PathWarnings() const {
        return options_.installBase.empty() ? std::vector<std::string>{} : paths_.Warnings();
    }

  private:
    // One entry; false when the walk cannot go on past it.
    bool CheckEntry(std::int64_t offset, std::uint16_t tag) {
        entry_ = tag == DirectoryTag ? "the directory entry" : "the file entry";
        try {
            if (tag == DirectoryTag) {
                CheckDirectory(offset);
            } else {
                CheckFile(offset);
            }
            return true;
        } catch (const EReadError&) {
            Fault(offset, "truncated: the file ends inside this entry");
        } catch (const EStreamError&) {  // a block's copy that finds no room
            Fault(offset, entry_ + ": out of memory");
        } catch (const std::bad_alloc&) {
            Fault(offset, entry_ + ": out of memory");
        }
        return false;
    }

    void Fault(std::int64_t offset, const std::string& text) {
        report_.faults.push_back("offset " + std::to_string(offset) + ": " + text);
    }

    // After the tree: one closing tag per open list (the installer opens one per directory entry), the digest
    // record, then what signing appends; or, from an older qpack, nothing at all. The installer's walk is replayed
    // over it too.
    void CheckTrailer(std::int64_t treeEnd) {
        const std::size_t openLists = report_.directories;
        const std::int64_t limit = stream_.Size();
        std::int64_t end = treeEnd;
        while (report_.closingTags < openLists && end + 2 <= limit && TagAt(file_, end) == ClosingTag) {
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
        if (!signature_.table && OnlyRemovedSignaturePadding(treeEnd)) {
            return;  // nothing follows the tree, or in a program only the zero bytes a removed signature leaves
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

    bool OnlyRemovedSignaturePadding(std::int64_t treeEnd) const {
        const std::int64_t trailing = file_.Size() - treeEnd;
        if (trailing == 0) {
            return true;
        }
        std::uint8_t bytes[kLargestSigningPadding] = {};
        return trailing <= kLargestSigningPadding &&
               file_.ReadAt(treeEnd, bytes, static_cast<std::size_t>(trailing)) == static_cast<std::size_t>(trailing) &&
               std::all_of(bytes, bytes + trailing, [](std::uint8_t b) { return b == 0; }) && ReadPeHeaders(file_);
    }

    std::string WhatEndsTheTree(std::int64_t end) const {
        const std::string after = "after " + std::to_string(report_.closingTags) + " closing tags, ";
        if (end + 2 <= stream_.Size()) {
            char text[64];
            std::snprintf(text, sizeof text, "tag 0x%04X is no entry", static_cast<unsigned>(TagAt(file_, end)));
            return after + text;
        }
        return after + (end < stream_.Size() ? "a lone byte" : "the tree ends");
    }

    void CheckDirectory(std::int64_t offset) {
        const std::string name = ReadLengthString(stream_);
        entry_ = "directory \"" + Shown(name) + "\"";
        if (report_.directories == 0) {
            if (!name.empty()) {
                Fault(offset,
                      "the first directory entry must be the root, with the empty name, not \"" + Shown(name) + "\"");
            }
        } else if (name.empty() || name[0] != '\\') {
            Fault(offset, "directory name \"" + Shown(name) + "\" does not begin with \"\\\"");
        } else {
            CheckDirectoryPlace(offset, name);
        }
        if (const auto other = siblings_.AddDirectory(name)) {
            SameNameFault(offset, "directory \"" + Shown(name) + "\"", *other);
        }
        ++report_.directories;
        paths_.Directory(name);
        while (!entered_.empty() && entered_.back() > 0 &&
               !IsAncestorOrSelf(lastDirectory_.substr(0, entered_.back()), name)) {
            entered_.pop_back();
        }
        entered_.push_back(name.size());
        lastDirectory_ = name;
        lastFile_.clear();
        Report({true, name, name, offset, 0, 0, 0});
    }

    void Report(const PackageEntry& entry) {
        if (options_.keepEntries) {
            report_.entries.push_back(entry);
        }
        if (options_.entry) {
            options_.entry(report_, entry);
        }
    }

    void CheckDirectoryPlace(std::int64_t offset, const std::string& name) {
        // The levels of a parent that has its entry were checked there: each problem is reported once.
        const std::string parent = name.substr(0, name.rfind('\\'));
        const bool inOrder = CompareDirectories(lastDirectory_, name) <= 0;
        const bool parentSeen = IsAncestorOrSelf(parent, lastDirectory_) &&
                                std::find(entered_.begin(), entered_.end(), parent.size()) != entered_.end();
        const std::vector<std::string> parts = Components(name.substr(parentSeen ? parent.size() : 0));
        for (const std::string& part : parts) {
            if (const auto problem = WindowsNameProblem(part)) {
                Fault(offset, "directory \"" + Shown(name) + "\": " + *problem);
            }
        }
        if (!parentSeen && inOrder) {  // out of order, the parent may have come before: the order is the fault
            Fault(offset, "directory \"" + Shown(name) + "\" comes before its parent's entry");
        }
        if (!inOrder) {
            Fault(offset,
                  "directory \"" + Shown(name) + "\" is out of order (after \"" + Shown(lastDirectory_) + "\")");
        }
    }

    void SameNameFault(std::int64_t offset, const std::string& shown, const SiblingClash& clash) {
        Fault(offset, shown + " and " + clash.other + " " + clash.why);
    }

    void CheckFile(std::int64_t offset) {
        const std::string name = ReadLengthString(stream_);
        entry_ = "file \"" + Shown(name) + "\"";
        if (name.empty()) {
            Fault(offset, "file entry with an empty name");
            return;
        }
        const std::string& directory = lastDirectory_;
        if (report_.directories == 0) {
            Fault(offset, "file \"" + Shown(name) + "\" comes before the root directory entry");
        }
        if (const auto problem = WindowsNameProblem(name)) {
            Fault(offset, "file \"" + Shown(name) + "\": " + *problem);
        }
        if (const auto other = siblings_.AddFile(name)) {
            SameNameFault(offset, "file \"" + Shown(directory + "\\" + name) + "\"", *other);
        }
        if (!lastFile_.empty() && UpperCaseKey(lastFile_) != UpperCaseKey(name) && !ComesBefore(lastFile_, name)) {
            Fault(offset, "file \"" + Shown(name) + "\" is out of order (after \"" + Shown(lastFile_) + "\")");
        }
        lastFile_ = name;
        paths_.File(directory, name);
        const std::int64_t blockOffset = stream_.Position();
        std::int32_t blockLength = 0;
        if (!stream_.ReadInt32(blockLength)) {
            throw EReadError();
        }
        PackageEntry entry{false, name, directory, offset, blockOffset, blockLength, 0};
        ++report_.files;
        if (blockLength < MinimumBlockLength) {
            Fault(offset, "file \"" + Shown(name) + "\": block length " + std::to_string(blockLength) + " is below " +
                              std::to_string(MinimumBlockLength));
            Report(entry);
            if (blockLength < BlockLengthFieldSize) {
                throw EReadError();
            }
            stream_.SetPosition(stream_.Position() + blockLength - BlockLengthFieldSize);
            return;
        }
        if (blockLength - BlockLengthFieldSize > stream_.Remaining()) {
            Fault(offset, "file \"" + Shown(name) + "\": truncated: its block needs " +
                              std::to_string(blockLength - BlockLengthFieldSize) +
                              " bytes after its length field at offset " + std::to_string(blockOffset) +
                              ", the file holds " + std::to_string(stream_.Remaining()) + " (block length " +
                              std::to_string(blockLength) + " runs past the end of the data)");
            stream_.SetPosition(stream_.Size());
            Report(entry);
            return;
        }
        const std::int64_t blockStart = stream_.Position();
        stream_.ReadInt32(entry.decodedSize);  // the block holds at least its size field (checked above)
        stream_.SetPosition(blockStart);
        if (entry.decodedSize < 0) {
            Fault(offset, "file \"" + Shown(name) + "\": negative decoded size");
        } else if (options_.decodeBlocks) {
            CheckBlock(entry, blockLength - BlockLengthFieldSize);
        }
        stream_.SetPosition(blockStart + blockLength - BlockLengthFieldSize);
        Report(entry);
    }

    // Decodes the block at the position: it must give its decoded size from its own bits, and use them.
    void CheckBlock(const PackageEntry& entry, std::int32_t length) {
        PayloadStream block;
        stream_.CopyTo(block, length);
        block.SetPosition(0);
        CheckingSink content(
            options_.content ? CheckingSink::Observer([this, &entry](auto bytes) { options_.content(entry, bytes); })
                             : CheckingSink::Observer());
        const std::string file = "file \"" + Shown(entry.name) + "\": ";
        try {
            const BlockDecodeEnd decodeEnd = DecompressBlock(block, content);
            if (!content.Complete()) {
                Fault(entry.offset, file + "decoded to " + std::to_string(content.Written()) + " bytes instead of " +
                                        std::to_string(entry.decodedSize));
            } else if (decodeEnd.bitsPastEnd > 0) {
                Fault(entry.offset,
                      file + "damaged: its symbols run " + std::to_string(decodeEnd.bitsPastEnd) +
                          " bits past the end of the bit stream (cut short, or a block length too small)");
            } else if (decodeEnd.unusedBytes > kLargestUnusedStreamBytes) {
                Fault(entry.offset, file + "damaged: " + std::to_string(decodeEnd.unusedBytes) +
                                        " bytes of the block follow the last bit its symbols use (encoders leave at "
                                        "most " +
                                        std::to_string(kLargestUnusedStreamBytes) + ")");
            }
        } catch (const ECorruptFile&) {
            Fault(entry.offset, file + "the block does not decode (Compressed file is corrupt)");
        }
    }

    ByteSource& file_;
    Signature signature_;
    const CheckOptions& options_;
    PackageReport& report_;
    PayloadStream stream_;       // the file up to where its tree must end, read as the walk reaches it
    std::string entry_;          // the entry being read, for a message that must name it
    std::string lastDirectory_;  // the directory whose list is open: every directory entry opens one
    // The lengths of lastDirectory_'s levels that have their own entry, the root's (0, the parent of every name,
    // even one without its leading "\") first: in pre-order, a parent that has its entry is one of them.
    std::vector<std::size_t> entered_;
    SiblingNames siblings_;
    InstallPaths paths_;
    std::string lastFile_;
};

}  // namespace

std::optional<std::string> LoadProblem(std::int64_t size) {
    if (size <= kLargestLoadedFile) {
        return std::nullopt;
    }
    return "the installer cannot load it: " + std::to_string(size) + " bytes, more than the " +
           std::to_string(kLargestLoadedFile) + " its reader takes; " + InstallerWouldStop(EStreamError());
}

PackageReport CheckPackage(ByteSource& file, std::int32_t from, const CheckOptions& options) {
    PackageReport report;
    Checker checker(file, options, report);
    checker.Run(from);
    report.warnings = checker.PathWarnings();
    if (const auto problem = LoadProblem(file.Size())) {
        report.faults.push_back(*problem);
    }
    return report;
}

PackageReport CheckPackage(const std::vector<std::uint8_t>& bytes, std::int32_t from, bool decodeBlocks) {
    MemorySource file(bytes);
    CheckOptions options;
    options.decodeBlocks = decodeBlocks;
    return CheckPackage(file, from, options);
}

}  // namespace quibel::qpack
