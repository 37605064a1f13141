// qpack decode BLOCK OUT, qpack decode PACKAGE ENTRY OUT: one compressed block (int32 size + lh5 bits), a whole
// file or the one a file of a package holds, decoded into OUT, which appears whole or not at all: the decoded
// pieces go to a temporary file beside it, renamed over it once the block is done. A package is checked against
// its digest first, as extract checks it, and an ENTRY that could name more than one file is refused.

#include <algorithm>
#include <filesystem>
#include <new>
#include <string>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/PackageFormat.h"
#include "platform/TextEncoding.h"
#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/cli/PackInput.h"
#include "tools/qpack/common/ComposedText.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/RegularFile.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/common/WindowsNames.h"
#include "tools/qpack/inspect/DigestCheck.h"
#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/inspect/PackageRole.h"
#include "tools/qpack/write/OutputFile.h"

namespace quibel::qpack {

namespace {

class OutputSink final : public ByteSink {
  public:
    explicit OutputSink(OutputFile& out) : out_(out) {}
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        out_.Write(bytes, static_cast<std::size_t>(count));
    }

  private:
    OutputFile& out_;
};

struct Block {
    std::int64_t offset = 0;  // of the block's size field in its file
    std::int64_t length = 0;
};

bool IsOffset(const std::string& entry) {
    return !entry.empty() && entry.size() < 19 &&
           std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ENTRY as a path in the package: "\" or "/" separators, letter case aside, as Windows compares names.
std::optional<std::string> PathKey(const std::string& entry) {
    auto name = Utf8ToCp1252(ComposedUtf8(entry));
    if (!name) {
        return std::nullopt;
    }
    std::replace(name->begin(), name->end(), '/', '\\');
    return UpperCaseKey((*name)[0] == '\\' ? *name : "\\" + *name);
}

// An argument (UTF-8) as messages show text of the host.
std::string ShownArgument(const std::string& argument) {
    return DisplayPath(HostPathFromArgument(argument));
}

std::string PathOf(const PackageEntry& file) {
    return TerminalText(file.directory + "\\" + file.name);
}

// The files ENTRY names: by path (several when their names differ only in letter case) and by offset.
struct Named {
    std::vector<PackageEntry> byPath;
    std::optional<PackageEntry> byOffset;
};

// One file, or PackError naming each when ENTRY names several: the installer would leave only the last of
// names equal but for case, and a listed name made of digits may also be another file's offset.
PackageEntry OnlyOne(const Named& named, const std::string& packageName, const std::string& entry) {
    if (named.byPath.size() > 1) {
        std::string paths;
        for (const PackageEntry& file : named.byPath) {
            paths += (paths.empty() ? "" : ", ") + PathOf(file);
        }
        throw PackError(packageName + ": \"" + ShownArgument(entry) + "\" names " +
                        std::to_string(named.byPath.size()) + " files that differ only in letter case (" + paths +
                        "): Windows takes them for one, and the installer leaves the last one's content; nothing "
                        "decoded");
    }
    if (named.byPath.size() == 1 && named.byOffset && named.byOffset->offset != named.byPath[0].offset) {
        throw PackError(packageName + ": \"" + ShownArgument(entry) + "\" names both the file " +
                        PathOf(named.byPath[0]) + " and the block at offset " + entry + ", of " +
                        PathOf(*named.byOffset) + ": give the path of the one you want (\"/" + entry +
                        "\" for the first); nothing decoded");
    }
    return named.byPath.empty() ? *named.byOffset : named.byPath[0];
}

// The block of the file ENTRY names: its offset as list -v shows it, or its path in the package.
Block BlockOfEntry(PackageFile& package,
                   const std::string& packageName,
                   const std::string& entry,
                   const CommandOptions& options) {
    if (const auto damage = CheckPackageDigest(package).damage) {
        throw PackError(packageName + ": damaged: " + *damage + "; nothing decoded");
    }
    const std::optional<std::string> wanted = PathKey(entry);
    const bool offset = IsOffset(entry);
    if (!wanted && !offset) {
        throw PackError(packageName + ": no file \"" + ShownArgument(entry) + "\": the name has no Windows-1252 form");
    }
    const PackageRole role = ReadPackageRole(packageName, package, options.from);
    Named named;
    CheckOptions check;
    check.keepEntries = false;
    check.entry = [&](const PackageReport&, const PackageEntry& file) {
        if (file.isDirectory) {
            return;
        }
        if (wanted && UpperCaseKey(file.directory + "\\" + file.name) == *wanted) {
            named.byPath.push_back(file);
        }
        if (offset && !named.byOffset && std::to_string(file.blockOffset) == entry) {
            named.byOffset = file;
        }
    };
    const PackageReport report = CheckPackage(package, role.offset, check);
    if (!report.payloadFound) {
        throw PackError(packageName + ": " + NotAPackage(role));
    }
    if (named.byPath.empty() && !named.byOffset) {
        throw PackError(packageName + ": no file \"" + ShownArgument(entry) + "\" in the package" +
                        (offset ? ", and no file's block at offset " + entry : "") + " (qpack list -v shows them)");
    }
    const PackageEntry found = OnlyOne(named, packageName, entry);
    if (found.blockLength < MinimumBlockLength || found.blockOffset + found.blockLength > package.Size()) {
        throw PackError(packageName + ": the block of " + PathOf(found) + " runs past the end of the file");
    }
    return {found.blockOffset + BlockLengthFieldSize, found.blockLength - BlockLengthFieldSize};
}

PayloadStream ReadBlock(PackageFile& file, const std::string& fileName, const Block& block) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(block.length));
    } catch (const std::bad_alloc&) {
        throw PackError(fileName + ": no memory for a block of " + std::to_string(block.length) + " bytes");
    }
    if (file.ReadAt(block.offset, bytes.data(), bytes.size()) != bytes.size()) {
        throw PackError(fileName + ": the block at offset " + std::to_string(block.offset) + " cannot be read whole");
    }
    PayloadStream stream;
    stream.Replace(std::move(bytes));
    return stream;
}

}  // namespace

int RunDecode(const CommandOptions& options) {
    try {
        const bool fromPackage = options.arguments.size() == 3;
        const std::filesystem::path inputPath = HostPathFromArgument(options.arguments.front());
        const std::filesystem::path outPath = HostPathFromArgument(options.arguments.back());
        RequireRegularFile(inputPath);
        RefuseOutputOverInput(outPath, inputPath, fromPackage ? "the package" : "the block file");
        PackageFile input(inputPath);
        const std::string inputName = DisplayPath(inputPath);
        const Block block =
            fromPackage ? BlockOfEntry(input, inputName, options.arguments[1], options) : Block{0, input.Size()};
        PayloadStream stream = ReadBlock(input, inputName, block);
        OutputFile out(outPath);
        OutputSink sink(out);
        const BlockDecodeEnd decodeEnd = DecompressBlock(stream, sink);
        if (decodeEnd.bitsPastEnd > 0) {
            PrintWarning("decode", "the bit stream ends " + std::to_string(decodeEnd.bitsPastEnd) +
                                       " bits short; the missing bits were read as zeros, so the output is likely "
                                       "damaged");
        }
        RefuseWarnings(options);
        out.Commit();
        if (!options.quiet) {
            PrintNote("decode", DisplayPath(outPath) + ": " + std::to_string(out.BytesWritten()) + " bytes");
        }
    } catch (const Exception& failure) {
        PrintError("decode", TerminalText(FailureDisplayText(failure.what())));
        return 1;
    } catch (const PackError& failure) {
        PrintError("decode", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
