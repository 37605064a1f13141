// qpack installer --stub STUB.exe DIR -o SETUP.exe: the stub, zero padding, then the payload.

#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/cli/PackInput.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/pe/PortableExecutable.h"
#include "tools/qpack/write/InstallerMemory.h"
#include "tools/qpack/write/ParallelCompressor.h"
#include "tools/qpack/write/StubImage.h"

namespace quibel::qpack {

namespace {

// The installer puts its shortcut on quibel.exe at the tree's root, whatever the tree holds.
void WarnWithoutProgram(const ScannedTree& tree, const CommandOptions& options) {
    if (RootHoldsProductProgram(tree)) {
        return;
    }
    PrintWarning("installer", DisplayPath(HostPathFromArgument(options.arguments.at(0))) +
                                  ": no quibel.exe at the tree's root; the installer puts the tree under <chosen "
                                  "directory>\\Quibel and a desktop shortcut \"Quibel 4.1\" to quibel.exe there, "
                                  "which would name a missing program");
}

}  // namespace

int RunInstaller(const CommandOptions& options) {
    return RunPackingCommand("installer", [&options] {
        const std::filesystem::path output = HostPathFromArgument(options.output);
        RefuseOutputInsideInput(output, HostPathFromArgument(options.arguments.at(0)));
        const std::filesystem::path stubPath = InstallerStub(options);
        RefuseOutputOverInput(output, stubPath, "the stub");
        const std::vector<std::uint8_t> image = InstallerLeadingImage(ReadHostFile(stubPath), DisplayPath(stubPath));
        const ScannedTree tree = ScanPackInput("installer", options);
        WarnWithoutProgram(tree, options);
        RefuseWarnings(options);
        const PayloadOptions payload = PayloadOptionsFrom(options);
        OutputFile out(output);
        out.Write(image);
        MemorySource imageSource(image);
        PackageDigester digest(SigningFields(imageSource));  // the fields signing rewrites count as zeros
        digest.Add(image);
        const PayloadSummary summary = WritePayload(tree, payload, out, digest);
        // The installer holds its whole file, then one file's block and content at once: the heaviest such file
        // decides whether it fits.
        std::vector<StoredFile> heaviest;
        if (summary.heaviestFile) {
            heaviest.push_back(*summary.heaviestFile);
        }
        if (const auto warning = InstallerMemoryWarning(out.BytesWritten(), heaviest)) {
            PrintWarning("installer", *warning);
        }
        RefuseWarnings(options);
        out.Commit();
        PrintPackSummary("installer", options, summary,
                         "; the installer " + std::to_string(out.BytesWritten()) + " bytes");
    });
}

}  // namespace quibel::qpack
