// qpack pack DIR -o FILE: a side archive, the payload at offset 0.

#include <cstdio>

#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PayloadBuilder.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

namespace {

void PrintPackHelp() {
    std::printf(
        "usage: qpack pack DIR -o FILE [--banner TEXT]... [-j N] [--best]\n\n"
        "Writes the tree under DIR as a package whose marker stands at offset 0 (a side archive).\n"
        "Directories come in pre-order, each followed by its files; names are stored in Windows-1252 and sorted by\n"
        "their upper-case form, so the same tree always gives the same bytes.\n\n"
        "  -o FILE        the package to write (written whole or not at all)\n"
        "  --banner TEXT  a banner line; repeat for more lines\n"
        "  -j N           compress on N threads (default: all cores); the output is the same for every N\n"
        "  --best         the smallest output, at about three times the time\n\n"
        "Refused, with exit code 1: names Windows cannot hold, names that differ only in letter case, symbolic\n"
        "links (not followed), files of 2 GiB or more, unreadable files.\n");
}

}  // namespace

int RunPack(const Arguments& arguments) {
    int exitCode = 0;
    const auto parsed = ParsePackArguments("pack", arguments, false, exitCode);
    if (!parsed) {
        return exitCode;
    }
    if (parsed->help) {
        PrintPackHelp();
        return 0;
    }
    try {
        RefuseOutputInsideInput(HostPathFromArgument(parsed->output), HostPathFromArgument(parsed->directory));
        const ScannedTree tree = ScanTree(HostPathFromArgument(parsed->directory));
        PrintWarnings(tree.warnings);
        OutputFile out(HostPathFromArgument(parsed->output));
        PayloadOptions options;
        options.bannerLines = parsed->bannerLines;
        options.threads = parsed->threads;
        options.encoder.best = parsed->best;
        options.showProgress = StderrIsTerminal();
        const PayloadSummary summary = WritePayload(tree, options, out);
        out.Commit();
        if (options.showProgress) {
            std::fprintf(stderr, "%zu directories, %zu files, %llu bytes -> %llu bytes\n", summary.directories,
                         summary.files, static_cast<unsigned long long>(summary.bytesIn),
                         static_cast<unsigned long long>(summary.payloadBytes));
        }
    } catch (const PackError& failure) {
        std::fprintf(stderr, "qpack pack: %s\n", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
