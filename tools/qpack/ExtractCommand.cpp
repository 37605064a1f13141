// qpack extract PACKAGE DIR [--from OFFSET]: what the installer does with a package, from the command line.
// Each log line is printed as the installer appends it to its log, in the host's separators and text encoding;
// the base directory is shown absolute and normal, and nothing is created outside it.

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/Commands.h"
#include "tools/qpack/ExtractionTarget.h"
#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/RegularFile.h"
#include "tools/qpack/TerminalText.h"
#include "tools/qpack/TreeScanner.h"
#include "tools/qpack/PackageTrailer.h"

namespace quibel::qpack {

namespace {

class PrintedLog final : public LineSink {
  public:
    void AppendLine(const std::string& line) override {
        std::fputs(TerminalText(line, true).c_str(), stdout);
        std::fputc('\n', stdout);
    }
};

class DiscardedLines final : public LineSink {
  public:
    void AppendLine(const std::string&) override {}
};

bool ParseOffset(const std::string& text, std::int32_t& offset) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10) {
        return false;
    }
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    offset = static_cast<std::int32_t>(value);
    return true;
}

void WarnCutShort(const std::string& filePath, std::int64_t bitsPastEnd) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "qpack extract: warning: %s: the block's bit stream ends %lld bits short; the missing bits were "
                 "read as zeros, as the installer reads them, so the file is likely damaged\n",
                 TerminalText(filePath).c_str(), static_cast<long long>(bitsPastEnd));
}

// The installer's walk has ended; what follows must be the signature or nothing (see PackageTrailer.h).
void WarnAboutTrailer(const PayloadStream& package) {
    if (const auto problem = TrailerProblem(package.Bytes(), package.Position(), FindSignature(package.Bytes()))) {
        std::fflush(stdout);
        std::fprintf(stderr, "qpack extract: warning: offset %lld: %s\n", static_cast<long long>(package.Position()),
                     problem->c_str());
    }
}

}  // namespace

int RunExtract(const Arguments& arguments) {
    std::vector<std::string> positional;
    std::int32_t from = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            std::printf(
                "usage: qpack extract PACKAGE DIR [--from OFFSET]\n\n"
                "Finds the payload of PACKAGE from OFFSET (default 0; 400000 for an installer), creates DIR\n"
                "with any missing parents and extracts the tree into it, printing one line per directory\n"
                "and file as the installer logs them.\n");
            return 0;
        }
        if (arguments[i] == "--from") {
            if (++i == arguments.size() || !ParseOffset(arguments[i], from)) {
                return UsageError("extract", "--from takes an offset from 0 to 2147483647");
            }
            continue;
        }
        positional.push_back(arguments[i]);
    }
    if (positional.size() != 2) {
        return UsageError("extract", "expected PACKAGE and DIR");
    }

    const auto fileSystem = MakeNativeFileSystem();
    PrintedLog log;
    try {
        const std::filesystem::path packagePath = HostPathFromArgument(positional[0]);
        RequireRegularFile(packagePath);
        PayloadStream package;
        package.Replace(fileSystem->LoadWholeFile(FromNativeText(positional[0])));
        DiscardedLines banner;
        if (!FindPayload(package, from, banner)) {
            throw PackError(DisplayPath(packagePath) +
                            ": no payload found (no marker at an even distance from offset " + std::to_string(from) +
                            "); nothing extracted");
        }
        const std::string base = ExtractionBase(HostPathFromArgument(positional[1]));
        ForceDirectories(*fileSystem, base);
        ConfinedFileSystem confined(*fileSystem, base);
        TreeExtractor extractor(package, confined, log);
        extractor.OnCutShortBlock(WarnCutShort);
        extractor.ExtractTree(base);
        WarnAboutTrailer(package);
    } catch (const Exception& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", TerminalText(FailureDisplayText(failure.what())).c_str());
        return 1;
    } catch (const PackError& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "qpack extract: %s\n", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
