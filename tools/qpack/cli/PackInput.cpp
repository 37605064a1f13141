#include "tools/qpack/cli/PackInput.h"

#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/write/OutputFile.h"

namespace quibel::qpack {

ScannedTree ScanPackInput(const std::string& command, const PackOptions& options) {
    const std::filesystem::path output = HostPathFromArgument(options.output);
    RefuseOutputInsideInput(output, HostPathFromArgument(options.directory));
    ScannedTree tree = ScanTree(HostPathFromArgument(options.directory), {options.followLinks});
    for (const std::filesystem::path& linked : tree.linkedDirectories) {
        RefuseOutputInsideInput(output, linked);  // what a followed link leads to is input too
    }
    PrintWarnings(command, tree.warnings);
    return tree;
}

int RunPackingCommand(const std::string& command, const std::function<void()>& pack) {
    try {
        pack();
    } catch (const TreeProblems& problems) {
        for (const std::string& line : ProblemReport(problems.Problems())) {
            PrintError(command, line);
        }
        return 1;
    } catch (const PackError& failure) {
        PrintError(command, failure.what());
        return 1;
    }
    return 0;
}

PayloadOptions PayloadOptionsFrom(const PackOptions& options) {
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

void PrintPackSummary(const std::string& command, const PackOptions& options, const PayloadSummary& summary) {
    if (options.quiet || !StderrIsTerminal()) {
        return;
    }
    PrintNote(command, TreeCounts(summary.directories, summary.files) + ", " + std::to_string(summary.bytesIn) +
                           " bytes -> " + std::to_string(summary.payloadBytes) + " bytes");
}

}  // namespace quibel::qpack
