// qpack pack DIR -o FILE: a side archive, the payload at offset 0.

#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/cli/PackInput.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

int RunPack(const CommandOptions& options) {
    return RunPackingCommand("pack", [&options] {
        const ScannedTree tree = ScanPackInput("pack", options);
        RefuseWarnings(options);
        const PayloadOptions payload = PayloadOptionsFrom(options);
        OutputFile out(HostPathFromArgument(options.output));
        PackageDigester digest;
        const PayloadSummary summary = WritePayload(tree, payload, out, digest);
        out.Commit();
        PrintPackSummary("pack", options, summary);
    });
}

}  // namespace quibel::qpack
