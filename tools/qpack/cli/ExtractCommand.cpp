// qpack extract PACKAGE DIR: what the installer does with a package, from the command line.
// Each log line is printed as the installer appends it to its log, in the host's separators and text encoding;
// the base directory is shown absolute and normal, and nothing is created outside it unless --as-installer asks
// for the entries that the installer writes beside it. Files are written as their blocks decode. A failure names
// the path and the system's reason, with the text the installer would stop with beside them.

#include <cstdio>
#include <string>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "payload/Texts.h"
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

// The log on stdout (or nowhere, with -q), its directories and files counted for the summary.
class PrintedLog final : public LineSink {
  public:
    explicit PrintedLog(bool shown) : shown_(shown) {}

    void AppendLine(const std::string& line) override {
        if (line.rfind(Texts::LogDirectoryPrefix, 0) == 0) {
            ++directories;
        } else if (line.rfind(Texts::LogFilePrefix, 0) == 0) {
            ++files;
        }
        if (shown_) {
            WriteStandardOutput(TerminalText(line, true) + "\n");
        }
    }

    std::size_t directories = 0;
    std::size_t files = 0;

  private:
    bool shown_;
};

class DiscardedLines final : public LineSink {
  public:
    void AppendLine(const std::string&) override {}
};

void WarnCutShort(const std::string& filePath, std::int64_t bitsPastEnd) {
    PrintWarning("extract", TerminalText(filePath, true) + ": the block's bit stream ends " +
                                std::to_string(bitsPastEnd) +
                                " bits short; the missing bits were read as zeros, as the installer reads them, so "
                                "the file is likely damaged");
}

// The installer's walk has ended; what follows must be the digest record and the signature, or nothing (see
// PackageTrailer.h).
void WarnAboutTrailer(ByteSource& file, const std::string& fileName, std::int64_t end) {
    if (const auto problem = TrailerProblem(file, end, FindSignature(file))) {
        PrintWarning("extract", fileName + ": offset " + std::to_string(end) + ": " + *problem);
    }
}

[[noreturn]] void RefuseName(const std::string& path) {
    throw PackError(TerminalText(path, true) +
                    ": a name the installer refuses (\"..\", \":\", a control character or a device's name; a file's "
                    "name holds no separator either); " +
                    InstallerWouldStop(EInOutError(SystemError::PathNotFound)));
}

struct Extraction {
    std::string base;
    std::size_t directories = 0;
    std::size_t files = 0;
    std::uint64_t bytes = 0;
};

// The walk, its failures in qpack's words: the path and what happened, and what the installer would say.
void ExtractInto(PayloadStream& package,
                 const std::string& packageName,
                 const CommandOptions& options,
                 Extraction& done) {
    const auto fileSystem = MakeNativeFileSystem();
    PrintedLog log(!options.quiet);
    ForceDirectories(*fileSystem, done.base);
    ConfinedFileSystem confined(*fileSystem, done.base);
    try {
        TreeExtractor extractor(package, confined, log);
        extractor.WriteWhileDecoding();
        extractor.OnCutShortBlock(WarnCutShort);
        extractor.OnRefusedName(RefuseName);
        extractor.ExtractTree(done.base);
    } catch (const ECorruptFile& failure) {
        throw PackError(TerminalText(confined.LastFile(), true) + ": the block does not decode; " +
                        InstallerWouldStop(failure));
    } catch (const EReadError& failure) {
        throw PackError(packageName + ": truncated: the file ends inside an entry; " + InstallerWouldStop(failure));
    } catch (const EStreamError& failure) {
        throw PackError(packageName + ": no memory for a block; " + InstallerWouldStop(failure));
    }
    done.directories = log.directories;
    done.files = log.files;
    done.bytes = confined.BytesWritten();
}

}  // namespace

int RunExtract(const CommandOptions& options) {
    try {
        const std::filesystem::path packagePath = HostPathFromArgument(options.arguments.at(0));
        const std::string packageName = DisplayPath(packagePath);
        PackageFile file(packagePath);  // read as the walk reaches it, never held whole
        if (const auto damage = CheckPackageDigest(file).damage) {
            throw PackError(packageName + ": damaged: " + *damage + "; nothing extracted");
        }
        const PackageRole start = ReadPackageRole(packageName, file, options.from);
        PayloadStream package;
        package.ReadFrom(file, file.Size());
        DiscardedLines banner;
        if (!FindPayload(package, start.offset, banner)) {
            throw PackError(packageName + ": " + NotAPackage(start) + "; nothing extracted");
        }
        if (options.verbose) {
            PrintNote("extract", packageName + ": " + ScanStartNote(start));
        }
        Extraction done{ExtractionBase(HostPathFromArgument(options.arguments.at(1)))};
        CheckEntriesOutsideBase(package, done.base, options.asInstaller);
        ExtractInto(package, packageName, options, done);
        WarnAboutTrailer(file, packageName, package.Position());
        if (!options.quiet) {
            PrintNote("extract", TerminalText(done.base, true) + ": " + TreeCounts(done.directories, done.files) +
                                     ", " + std::to_string(done.bytes) + " bytes");
        }
    } catch (const PackError& failure) {
        PrintError("extract", failure.what());
        return 1;
    } catch (const Exception& failure) {
        PrintError("extract", TerminalText(failure.what()));  // a link refused: the file system's own words
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
