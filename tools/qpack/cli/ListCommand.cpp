// qpack list FILE...: the banner and the tree of each package, with stored and decoded sizes, printed as it is read.

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/cli/PackageListing.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/inspect/PackageFile.h"

namespace quibel::qpack {

namespace {

// One package's listing; false when it failed (the errors printed).
bool ListPackage(const std::string& argument, const CommandOptions& options) {
    try {
        const std::filesystem::path path = HostPathFromArgument(argument);
        PackageFile file(path);
        const PackageRole role = ReadPackageRole(DisplayPath(path), file, options.from);
        const auto form = options.tabs    ? ListingOptions::Form::Tabs
                          : options.names ? ListingOptions::Form::Names
                                          : ListingOptions::Form::Columns;
        PackageListing listing("list", DisplayPath(path), role, options.verbose,
                               {!options.quiet, options.verbose, form});
        CheckOptions check;
        check.keepEntries = false;
        listing.Attach(check);
        const PackageReport report = CheckPackage(file, role.offset, check);
        if (!report.payloadFound) {
            PrintError("list", DisplayPath(path) + ": " + NotAPackage(role));
            return false;
        }
        listing.Totals(report);
        for (const std::string& fault : report.faults) {
            PrintError("list", DisplayPath(path) + ": " + fault);
        }
        return report.faults.empty();
    } catch (const PackError& failure) {
        PrintError("list", failure.what());
        return false;
    }
}

}  // namespace

int RunList(const CommandOptions& options) {
    const bool several = options.arguments.size() > 1;
    bool listed = true;
    for (std::size_t i = 0; i < options.arguments.size(); ++i) {
        if (several) {
            WriteStandardOutput((i > 0 ? "\n" : "") + DisplayPath(HostPathFromArgument(options.arguments[i])) + ":\n");
        }
        listed = ListPackage(options.arguments[i], options) && listed;
    }
    return listed ? 0 : 1;
}

}  // namespace quibel::qpack
