// qpack verify FILE: decodes every block in memory and checks the package's form.

#include <cstdio>

#include "tools/qpack/Commands.h"
#include "tools/qpack/HostArguments.h"
#include "tools/qpack/Messages.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PackageChecker.h"
#include "tools/qpack/ParallelCompressor.h"
#include "tools/qpack/ScanStart.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

int RunVerify(const InspectOptions& options) {
    try {
        const std::filesystem::path path = HostPathFromArgument(options.file);
        const std::vector<std::uint8_t> bytes = ReadHostFile(path);
        const ScanStart start = ChooseScanStart(bytes, options.from);
        const PackageReport report = CheckPackage(bytes, start.offset, true);
        for (const std::string& fault : report.faults) {
            PrintError("verify", DisplayPath(path) + ": " + fault);
        }
        if (!report.faults.empty()) {
            PrintNote("verify", ScanStartNote(start));
            return 1;
        }
        if (options.quiet) {
            return 0;
        }
        std::size_t files = 0;
        for (const PackageEntry& entry : report.entries) {
            files += entry.isDirectory ? 0 : 1;
        }
        std::printf("%s: sound, %s", DisplayPath(path).c_str(),
                    TreeCounts(report.entries.size() - files, files).c_str());
        if (report.certificateTableSize > 0) {
            std::printf(", signed (certificate table of %lld bytes)",
                        static_cast<long long>(report.certificateTableSize));
        }
        std::printf("; %s, marker at offset %lld\n", ScanStartNote(start).c_str(),
                    static_cast<long long>(report.markerOffset));
        return 0;
    } catch (const PackError& failure) {
        PrintError("verify", failure.what());
        return 1;
    }
}

}  // namespace quibel::qpack
