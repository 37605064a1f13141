// qpack installer --stub STUB.exe DIR -o SETUP.exe: the stub, zero padding, then the payload.

#include <cstdio>

#include "payload/PackageFormat.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/InstallerMemory.h"
#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/ParallelCompressor.h"
#include "tools/qpack/PayloadBuilder.h"
#include "tools/qpack/StubImage.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

int RunInstaller(const Arguments& arguments) {
    int exitCode = 0;
    const auto parsed = ParsePackArguments("installer", arguments, true, exitCode);
    if (!parsed) {
        return exitCode;
    }
    if (parsed->help) {
        std::printf(
            "usage: qpack installer --stub STUB.exe DIR -o SETUP.exe [--banner TEXT]... [-j N] [--best]\n\n"
            "Writes the installer: the stub executable, padded with zero bytes to an even length of at least\n"
            "400000, then the package of the tree under DIR (as qpack pack writes it), ended by one closing tag\n"
            "per directory, so that the installer never reads what signing appends.\n"
            "The stub must be a PE executable and must not hold four \"ET\" words in a row at an even distance\n"
            "from offset 400000: the installer would find them before the payload.\n\n"
            "  --stub STUB.exe  the installer program\n"
            "  -o SETUP.exe     the installer to write (written whole or not at all)\n"
            "  --banner TEXT    a banner line; repeat for more lines\n"
            "  -j N             compress on N threads (default: all cores); the output is the same for every N\n"
            "  --best           the smallest output, at about three times the time\n\n"
            "Warns (and still writes the installer) when installing one of the files would need more memory at\n"
            "once than the 32-bit installer can hold: the installer file, the file's block and its content.\n");
        return 0;
    }
    try {
        RefuseOutputInsideInput(HostPathFromArgument(parsed->output), HostPathFromArgument(parsed->directory));
        const std::filesystem::path stubPath = HostPathFromArgument(parsed->stub);
        const std::vector<std::uint8_t> image = InstallerLeadingImage(ReadHostFile(stubPath), DisplayPath(stubPath));
        const ScannedTree tree = ScanTree(HostPathFromArgument(parsed->directory));
        PrintWarnings(tree.warnings);
        OutputFile out(HostPathFromArgument(parsed->output));
        out.Write(image);
        PayloadOptions options;
        options.bannerLines = parsed->bannerLines;
        options.threads = parsed->threads;
        options.encoder.best = parsed->best;
        options.showProgress = StderrIsTerminal();
        options.closeLists = true;  // signing appends to the file: the installer's walk must end before that
        WritePayload(tree, options, out);
        out.Commit();
        // Read back as the installer will load it: the sizes that count are those of the written file and blocks.
        const std::vector<std::uint8_t> written = ReadHostFile(HostPathFromArgument(parsed->output));
        const PackageReport report = CheckPackage(written, PayloadScanStart, false);
        if (const auto warning = InstallerMemoryWarning(written.size(), report.entries)) {
            PrintWarnings({ToNativeText(*warning, false)});
        }
    } catch (const PackError& failure) {
        std::fprintf(stderr, "qpack installer: %s\n", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
