// qpack verify FILE [--from OFFSET]: decodes every block in memory and checks the package's form.

#include <cstdio>

#include "tools/qpack/InspectArguments.h"
#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PackageChecker.h"
#include "tools/qpack/ParallelCompressor.h"

namespace quibel::qpack {

int RunVerify(const Arguments& arguments) {
    int exitCode = 0;
    const auto parsed = ParseInspectArguments("verify", arguments, exitCode);
    if (!parsed) {
        return exitCode;
    }
    if (parsed->help) {
        std::printf(
            "usage: qpack verify FILE [--from OFFSET]\n\n"
            "Finds the package in FILE from OFFSET (default 0; 400000 for an installer), decodes every block\n"
            "in memory and checks the canonical form: the root entry first, directories in pre-order each\n"
            "followed by its files, names Windows can hold in sorted order, block lengths, bit streams that\n"
            "hold all their symbols. After the tree only one closing tag per directory may follow (an\n"
            "installer), then in a signed installer 0 to 7 zero bytes and the certificate table that its\n"
            "security directory names. Prints every fault and exits with 1 when there is one.\n");
        return 0;
    }
    try {
        const PackageReport report = CheckPackage(ReadHostFile(HostPathFromArgument(parsed->file)), parsed->from, true);
        for (const std::string& fault : report.faults) {
            std::fprintf(stderr, "qpack verify: %s: %s\n", parsed->file.c_str(), fault.c_str());
        }
        if (!report.faults.empty()) {
            return 1;
        }
        std::size_t files = 0;
        for (const PackageEntry& entry : report.entries) {
            files += entry.isDirectory ? 0 : 1;
        }
        std::printf("%s: sound, %zu directories, %zu files", parsed->file.c_str(), report.entries.size() - files,
                    files);
        if (report.certificateTableSize > 0) {
            std::printf(", signed (certificate table of %lld bytes)",
                        static_cast<long long>(report.certificateTableSize));
        }
        std::printf("\n");
        return 0;
    } catch (const PackError& failure) {
        std::fprintf(stderr, "qpack verify: %s\n", failure.what());
        return 1;
    }
}

}  // namespace quibel::qpack
