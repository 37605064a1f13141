// qpack verify FILE...: checks each package's digest record, then reads it in the role it plays, decoding every
// block. Each package gets its line on stdout, its faults as errors on stderr before it.

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/cli/PackageListing.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/InstallPaths.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/inspect/DigestCheck.h"
#include "tools/qpack/inspect/PackageFile.h"

namespace quibel::qpack {

namespace {

// "sound, 2 directories, 3 files, SHA-256 digest matches"; nothing once the faults are printed.
std::optional<std::string> VerifyPackage(const std::filesystem::path& path, const CommandOptions& options) {
    const std::string name = DisplayPath(path);
    PackageFile file(path);
    if (const auto problem = LoadProblem(file.Size())) {
        PrintError("verify", name + ": " + *problem);  // before its digest: 2 GiB need not be read for it
        return std::nullopt;
    }
    const DigestCheck digest = CheckPackageDigest(file);
    if (digest.damage) {
        PrintError("verify", name + ": damaged: " + *digest.damage);
        return std::nullopt;
    }
    const PackageRole role = ReadPackageRole(name, file, options.from);
    PackageListing listing("verify", name, role, options.verbose, {options.verbose, false});
    CheckOptions check;
    check.keepEntries = false;
    check.decodeBlocks = true;
    check.installBase = role.offset == 0 ? kShortestSideArchiveBase : kShortestInstallerBase;
    listing.Attach(check);
    const PackageReport report = CheckPackage(file, role.offset, check);
    if (!report.payloadFound) {
        PrintError("verify", name + ": " + NotAPackage(role));
        return std::nullopt;
    }
    for (const std::string& fault : report.faults) {
        PrintError("verify", name + ": " + fault);
    }
    for (const std::string& warning : report.warnings) {
        PrintWarning("verify", name + ": " + warning);
    }
    if (!report.faults.empty()) {
        return std::nullopt;
    }
    if (options.warningsAsErrors && !report.warnings.empty()) {
        PrintError("verify", name + ": " + std::to_string(report.warnings.size()) +
                                 (report.warnings.size() == 1 ? " warning, an error" : " warnings, errors") +
                                 " with --warnings-as-errors");
        return std::nullopt;
    }
    std::string result = "sound, " + TreeCounts(report.directories, report.files) + ", " +
                         (digest.record ? "SHA-256 digest matches" : "no digest: structure only");
    if (report.certificateTableSize > 0) {
        result += ", signed (certificate table of " + std::to_string(report.certificateTableSize) +
                  " bytes; the signature itself is not checked here: osslsigncode verify checks it)";
    }
    return result;
}

}  // namespace

int RunVerify(const CommandOptions& options) {
    bool allSound = true;
    for (const std::string& argument : options.arguments) {
        const std::filesystem::path path = HostPathFromArgument(argument);
        std::optional<std::string> result;
        try {
            result = VerifyPackage(path, options);
        } catch (const PackError& failure) {
            PrintError("verify", failure.what());
        }
        allSound = allSound && result.has_value();
        if (!options.quiet) {
            WriteStandardOutput(DisplayPath(path) + ": " + result.value_or("FAILED") + "\n");
        }
    }
    return allSound ? 0 : 1;
}

}  // namespace quibel::qpack
