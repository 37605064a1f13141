// qpack extract PACKAGE DIR: what the installer does with a package, from the command line.
// Each log line is printed as the installer appends it to its log, in the host's separators and text encoding;
// the base directory is shown absolute and normal, and nothing is created outside it unless --as-installer asks
// for the entries that the installer writes beside it. Files are written as their blocks decode.

#include <cstdio>
#include <string>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/inspect/DigestCheck.h"
#include "tools/qpack/inspect/EntriesOutsideBase.h"
#include "tools/qpack/inspect/ExtractionTarget.h"
#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/inspect/PackageRole.h"
#include "tools/qpack/inspect/PackageTrailer.h"

namespace quibel::qpack {

namespace {

class PrintedLog final : public LineSink {
  public:
    void AppendLine(const std::string& line) override { WriteStandardOutput(TerminalText(line, true) + "\n"); }
};

// With -q: the log's lines are not printed.
class DiscardedLines final : public LineSink {
  public:
    void AppendLine(const std::string&) override {}
};

void WarnCutShort(const std::string& filePath, std::int64_t bitsPastEnd) {
    PrintWarning("extract", TerminalText(filePath) + ": the block's bit stream ends " + std::to_string(bitsPastEnd) +
                                " bits short; the missing bits were read as zeros, as the installer reads them, so "
                                "the file is likely damaged");
}

// The installer's walk has ended; what follows must be the digest record and the signature, or nothing (see
// PackageTrailer.h).
void WarnAboutTrailer(ByteSource& file, std::int64_t end) {
    if (const auto problem = TrailerProblem(file, end, FindSignature(file))) {
        PrintWarning("extract", "offset " + std::to_string(end) + ": " + *problem);
    }
}

}  // namespace

int RunExtract(const ExtractOptions& options) {
    const auto fileSystem = MakeNativeFileSystem();
    PrintedLog printed;
    DiscardedLines discarded;
    LineSink& log = options.quiet ? static_cast<LineSink&>(discarded) : printed;
    try {
        const std::filesystem::path packagePath = HostPathFromArgument(options.package);
        PackageFile file(packagePath);  // read as the walk reaches it, never held whole
        if (const auto damage = CheckPackageDigest(file).damage) {
            throw PackError(DisplayPath(packagePath) + ": damaged: " + *damage + "; nothing extracted");
        }
        const PackageRole start = ReadPackageRole(DisplayPath(packagePath), file, options.from);
        PayloadStream package;
        package.ReadFrom(file, file.Size());
        DiscardedLines banner;
        if (!FindPayload(package, start.offset, banner)) {
            throw PackError(DisplayPath(packagePath) +
                            ": no payload found (no marker at an even distance from offset " +
                            std::to_string(start.offset) + ": " + start.reason + "); nothing extracted");
        }
        if (!options.quiet && !options.from) {
            PrintNote("extract", ScanStartNote(start));
        }
        const std::string base = ExtractionBase(HostPathFromArgument(options.directory));
        CheckEntriesOutsideBase(package, base, options.asInstaller);
        ForceDirectories(*fileSystem, base);
        ConfinedFileSystem confined(*fileSystem, base);
        TreeExtractor extractor(package, confined, log);
        extractor.WriteWhileDecoding();
        extractor.OnCutShortBlock(WarnCutShort);
        extractor.ExtractTree(base);
        WarnAboutTrailer(file, package.Position());
    } catch (const Exception& failure) {
        PrintError("extract", TerminalText(FailureDisplayText(failure.what())));
        return 1;
    } catch (const PackError& failure) {
        PrintError("extract", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
