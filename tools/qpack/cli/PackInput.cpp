#include "tools/qpack/cli/PackInput.h"

#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/Terminal.h"
#include "tools/qpack/write/OutputFile.h"

namespace quibel::qpack {

ScannedTree ScanPackInput(const std::string& command, const CommandOptions& options) {
    const std::filesystem::path output = HostPathFromArgument(options.output);
    const std::filesystem::path directory = HostPathFromArgument(options.arguments.at(0));
    RefuseOutputInsideInput(output, directory);
    ScannedTree tree = ScanTree(
        directory, {options.followLinks, command == "installer" ? kShortestInstallerBase : kShortestSideArchiveBase});
    for (const std::filesystem::path& linked : tree.linkedDirectories) {
        RefuseOutputInsideInput(output, linked);  // what a followed link leads to is input too
    }
    PrintWarnings(command, tree.warnings);
    return tree;
}

void RefuseWarnings(const CommandOptions& options) {
    const std::size_t warnings = WarningsPrinted();
    if (options.warningsAsErrors && warnings > 0) {
        throw PackError(std::to_string(warnings) + (warnings == 1 ? " warning, an error" : " warnings, errors") +
                        " with --warnings-as-errors: nothing written");
    }
}

int RunPackingCommand(const std::string& command, const std::function<void()>& pack) {
    try {
        pack();
    } catch (const TreeProblems& problems) {
        for (const std::string& line : problems.Problems()) {
            PrintError(command, line);
        }
        return 1;
    } catch (const PackError& failure) {
        PrintError(command, failure.what());
        return 1;
    }
    return 0;
}

PayloadOptions PayloadOptionsFrom(const CommandOptions& options) {
    PayloadOptions payload;
    for (const std::string& line : options.bannerLines) {
        payload.bannerLines.push_back(BannerLineFromArgument(line));
    }
    payload.threads = options.jobs > 0 ? options.jobs : DefaultThreadCount();
    payload.encoder.best = options.best;
    payload.showProgress = !options.quiet && StderrIsTerminal();
    payload.verbose = options.verbose;
    return payload;
}

void PrintPackSummary(const std::string& command,
                      const CommandOptions& options,
                      const PayloadSummary& summary,
                      const std::string& more) {
    if (options.quiet) {
        return;
    }
    PrintNote(command, DisplayPath(HostPathFromArgument(options.output)) + ": " +
                           TreeCounts(summary.directories, summary.files) + ", " +
                           std::to_string(summary.payloadBytes) + " bytes stored, " + std::to_string(summary.bytesIn) +
                           " decoded" + more);
}

}  // namespace quibel::qpack
