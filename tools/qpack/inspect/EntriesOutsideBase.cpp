#include "tools/qpack/inspect/EntriesOutsideBase.h"

#include "payload/Errors.h"
#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

// An open list: where its directory's name lies in the package, and whether it is glued to the base.
struct OpenList {
    std::int64_t nameOffset = 0;
    std::int32_t nameSize = 0;
    bool glued = false;
};

std::uint16_t ReadTag(PayloadStream& package) {
    std::uint16_t tag = 0;
    return package.ReadUInt16(tag) ? tag : 0;
}

std::string NameOf(PayloadStream& package, const OpenList& list) {
    std::string name(static_cast<std::size_t>(list.nameSize), '\0');
    package.ReadAt(list.nameOffset, name.data(), list.nameSize);
    return name;
}

// The walk's lists, as TreeExtractor keeps them: a foreign tag ends the innermost, the end of the data all.
void FindOutside(PayloadStream& package,
                 const std::string& base,
                 const std::function<void(const std::string&)>& found) {
    std::vector<OpenList> open;
    const auto directory = [&] {
        const std::int64_t at = package.Position() + 4;  // past the name's length
        const std::string name = ReadLengthString(package);
        const bool glued = !name.empty() && name[0] != '\\' && name[0] != '/';
        open.push_back({at, static_cast<std::int32_t>(name.size()), glued});
        if (glued) {
            found(base + name);
        }
    };
    if (ReadTag(package) != DirectoryTag) {
        return;
    }
    directory();
    while (!open.empty()) {
        const std::uint16_t tag = ReadTag(package);
        if (tag == DirectoryTag) {
            directory();
            continue;
        }
        if (tag == FileTag) {
            const std::string name = ReadLengthString(package);
            std::int32_t blockLength = 0;
            if (!name.empty() && (!package.ReadInt32(blockLength) || blockLength < BlockLengthFieldSize ||
                                  package.Remaining() < blockLength - BlockLengthFieldSize)) {
                return;
            }
            package.SetPosition(package.Position() + (name.empty() ? 0 : blockLength - BlockLengthFieldSize));
            if (!name.empty() && open.back().glued) {
                found(base + NameOf(package, open.back()) + "\\" + name);
            }
        }
        if (package.Position() >= package.Size()) {
            return;
        }
        if (tag != DirectoryTag && tag != FileTag) {
            open.pop_back();
        }
    }
}

}  // namespace

void FindEntriesOutsideBase(PayloadStream& package,
                            const std::string& base,
                            const std::function<void(const std::string& path)>& found) {
    const std::int64_t start = package.Position();
    try {
        FindOutside(package, base, found);
    } catch (const EReadError&) {  // a cut entry: the walk reports it
    }
    package.SetPosition(start);
}

void CheckEntriesOutsideBase(PayloadStream& package, const std::string& base, bool asInstaller) {
    std::size_t outside = 0;
    FindEntriesOutsideBase(package, base, [&](const std::string& path) {
        ++outside;
        const std::string shown = TerminalText(path, true);
        if (asInstaller) {
            PrintWarning("extract", shown + ": outside " + TerminalText(base, true) +
                                        ", written there as the installer writes it");
        } else {
            PrintError("extract", shown + ": would land outside " + TerminalText(base, true) +
                                      " (a directory name without its leading \"\\\" is glued to the directory's "
                                      "name)");
        }
    });
    if (outside > 0 && !asInstaller) {
        throw PackError(std::to_string(outside) + (outside == 1 ? " entry" : " entries") +
                        " outside the directory: nothing extracted; --as-installer writes them where the installer "
                        "would");
    }
}

}  // namespace quibel::qpack
