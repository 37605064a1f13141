#include "tools/qpack/inspect/EntriesOutsideBase.h"

#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

struct OpenList {
    std::string path;
    bool glued = false;
};

std::uint16_t ReadTag(PayloadStream& package) {
    std::uint16_t tag = 0;
    return package.ReadUInt16(tag) ? tag : 0;
}

// The walk's lists, as TreeExtractor keeps them: a foreign tag ends the innermost, the end of the data all.
void CollectOutside(PayloadStream& package, const std::string& base, std::vector<std::string>& outside) {
    std::vector<OpenList> open;
    const auto directory = [&] {
        const std::string name = ReadLengthString(package);
        const bool glued = !name.empty() && name[0] != '\\' && name[0] != '/';
        open.push_back({base + name, glued});
        if (glued) {
            outside.push_back(base + name);
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
                outside.push_back(open.back().path + "\\" + name);
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

std::vector<std::string> EntriesOutsideBase(PayloadStream& package, const std::string& base) {
    const std::int64_t start = package.Position();
    std::vector<std::string> outside;
    CollectOutside(package, base, outside);
    package.SetPosition(start);
    return outside;
}

void CheckEntriesOutsideBase(PayloadStream& package, const std::string& base, bool asInstaller) {
    const std::vector<std::string> outside = EntriesOutsideBase(package, base);
    for (const std::string& path : outside) {
        const std::string shown = TerminalText(path, true);
        if (asInstaller) {
            PrintWarning("extract", shown + ": outside " + TerminalText(base, true) +
                                        ", written there as the installer "
                                        "writes it");
        } else {
            PrintError("extract", shown + ": would land outside " + TerminalText(base, true) +
                                      " (a directory name without its leading \"\\\" is glued to the directory's "
                                      "name)");
        }
    }
    if (!outside.empty() && !asInstaller) {
        throw PackError(std::to_string(outside.size()) + (outside.size() == 1 ? " entry" : " entries") +
                        " outside the directory: nothing extracted; --as-installer writes them where the installer "
                        "would");
    }
}

}  // namespace quibel::qpack
