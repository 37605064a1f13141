// qpack list FILE: the banner and the tree of a package, with stored and decoded sizes, printed as it is read.

#include <cstdio>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/TerminalText.h"
#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/inspect/PackageRole.h"

namespace quibel::qpack {

namespace {

double Ratio(std::int64_t stored, std::int64_t decoded) {
    return decoded > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(decoded) : 0.0;
}

// The lines of a listing: the head once the payload is found, then one line per entry as it is read.
class Listing {
  public:
    Listing(const PackageRole& role, bool quiet) : role_(role), quiet_(quiet) {}

    void Head(const PackageReport& report) {
        if (headed_) {
            return;
        }
        headed_ = true;
        std::printf("%s, marker at offset %lld\n", ScanStartNote(role_).c_str(),
                    static_cast<long long>(report.markerOffset));
        for (const std::string& line : report.bannerLines) {
            std::printf("banner: %s\n", TerminalText(line).c_str());
        }
        std::printf("%12s %12s %7s  %s\n", "stored", "decoded", "ratio", "name");
    }

    void Entry(const PackageReport& report, const PackageEntry& entry) {
        Head(report);
        if (!entry.isDirectory) {
            stored_ += entry.blockLength;
            decoded_ += entry.decodedSize;
        }
        if (quiet_) {
            return;
        }
        if (entry.isDirectory) {
            std::printf("%12s %12s %7s  %s\\\n", "", "", "", TerminalText(entry.name).c_str());
            return;
        }
        std::printf("%12d %12d %6.1f%%  %s\\%s\n", entry.blockLength, entry.decodedSize,
                    Ratio(entry.blockLength, entry.decodedSize), TerminalText(entry.directory).c_str(),
                    TerminalText(entry.name).c_str());
    }

    void Totals(const PackageReport& report) {
        Head(report);
        std::printf("%12lld %12lld %6.1f%%  %s\n", static_cast<long long>(stored_), static_cast<long long>(decoded_),
                    Ratio(stored_, decoded_), TreeCounts(report.directories, report.files).c_str());
    }

  private:
    const PackageRole& role_;
    bool quiet_;
    bool headed_ = false;
    std::int64_t stored_ = 0;
    std::int64_t decoded_ = 0;
};

}  // namespace

int RunList(const InspectOptions& options) {
    try {
        const std::filesystem::path path = HostPathFromArgument(options.file);
        PackageFile file(path);
        const PackageRole role = ReadPackageRole(DisplayPath(path), file, options.from);
        Listing listing(role, options.quiet);
        CheckOptions check;
        check.keepEntries = false;
        check.entry = [&listing](const PackageReport& report, const PackageEntry& entry) {
            listing.Entry(report, entry);
        };
        const PackageReport report = CheckPackage(file, role.offset, check);
        if (!report.payloadFound) {
            PrintError("list", DisplayPath(path) + ": " + report.faults.front() + " (" + ScanStartNote(role) + ")");
            return 1;
        }
        listing.Totals(report);
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
