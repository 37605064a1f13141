// qpack list FILE: the banner and the tree of a package, with stored and decoded sizes.

#include <cstdio>

#include "tools/qpack/Commands.h"
#include "tools/qpack/HostArguments.h"
#include "tools/qpack/Messages.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PackageChecker.h"
#include "tools/qpack/ParallelCompressor.h"
#include "tools/qpack/ScanStart.h"
#include "tools/qpack/TerminalText.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

namespace {

double Ratio(std::int64_t stored, std::int64_t decoded) {
    return decoded > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(decoded) : 0.0;
}

}  // namespace

int RunList(const InspectOptions& options) {
    try {
        const std::filesystem::path path = HostPathFromArgument(options.file);
        const std::vector<std::uint8_t> bytes = ReadHostFile(path);
        const ScanStart start = ChooseScanStart(bytes, options.from);
        const PackageReport report = CheckPackage(bytes, start.offset, false);
        if (!report.payloadFound) {
            PrintError("list", DisplayPath(path) + ": " + report.faults.front() + " (" + ScanStartNote(start) + ")");
            return 1;
        }
        std::printf("%s, marker at offset %lld\n", ScanStartNote(start).c_str(),
                    static_cast<long long>(report.markerOffset));
        for (const std::string& line : report.bannerLines) {
            std::printf("banner: %s\n", TerminalText(line).c_str());
        }
        std::printf("%12s %12s %7s  %s\n", "stored", "decoded", "ratio", "name");
        std::int64_t stored = 0;
        std::int64_t decoded = 0;
        std::size_t files = 0;
        std::size_t directories = 0;
        for (const PackageEntry& entry : report.entries) {
            if (entry.isDirectory) {
                ++directories;
                if (options.quiet) {
                    continue;
                }
                std::printf("%12s %12s %7s  %s\\\n", "", "", "", TerminalText(entry.name).c_str());
                continue;
            }
            ++files;
            stored += entry.blockLength;
            decoded += entry.decodedSize;
            if (options.quiet) {
                continue;
            }
            std::printf("%12d %12d %6.1f%%  %s\\%s\n", entry.blockLength, entry.decodedSize,
                        Ratio(entry.blockLength, entry.decodedSize), TerminalText(entry.directory).c_str(),
                        TerminalText(entry.name).c_str());
        }
        std::printf("%12lld %12lld %6.1f%%  %s\n", static_cast<long long>(stored), static_cast<long long>(decoded),
                    Ratio(stored, decoded), TreeCounts(directories, files).c_str());
        if (report.certificateTableSize > 0) {
            std::printf("signed (certificate table of %lld bytes)\n",
                        static_cast<long long>(report.certificateTableSize));
        }
        for (const std::string& fault : report.faults) {
            PrintError("list", DisplayPath(path) + ": " + fault);
        }
        return report.faults.empty() ? 0 : 1;
    } catch (const PackError& failure) {
        PrintError("list", failure.what());
        return 1;
    }
}

}  // namespace quibel::qpack
