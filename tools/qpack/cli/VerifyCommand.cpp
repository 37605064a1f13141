// qpack verify FILE: checks the digest record, then reads the package in the role it plays, decoding every block.

#include <cstdio>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/inspect/DigestCheck.h"
#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/inspect/PackageRole.h"

namespace quibel::qpack {

int RunVerify(const InspectOptions& options) {
    try {
        const std::filesystem::path path = HostPathFromArgument(options.file);
        PackageFile file(path);
        const DigestCheck digest = CheckPackageDigest(file);
        if (digest.damage) {
            PrintError("verify", DisplayPath(path) + ": damaged: " + *digest.damage);
            return 1;
        }
        const PackageRole role = ReadPackageRole(DisplayPath(path), file, options.from);
        CheckOptions check;
        check.keepEntries = false;
        check.decodeBlocks = true;
        const PackageReport report = CheckPackage(file, role.offset, check);
        for (const std::string& fault : report.faults) {
            PrintError("verify", DisplayPath(path) + ": " + fault);
        }
        if (!report.faults.empty()) {
            PrintNote("verify", ScanStartNote(role));
            return 1;
        }
        if (options.quiet) {
            return 0;
        }
        std::printf("%s: sound, %s, %s", DisplayPath(path).c_str(),
                    TreeCounts(report.directories, report.files).c_str(),
                    digest.record ? "SHA-256 digest matches" : "no digest: structure only");
        if (report.certificateTableSize > 0) {
            std::printf(
                ", signed (certificate table of %lld bytes; the signature itself is not checked here: "
                "osslsigncode verify checks it)",
                static_cast<long long>(report.certificateTableSize));
        }
        std::printf("; %s, marker at offset %lld\n", ScanStartNote(role).c_str(),
                    static_cast<long long>(report.markerOffset));
        return 0;
    } catch (const PackError& failure) {
        PrintError("verify", failure.what());
        return 1;
    }
}

}  // namespace quibel::qpack
