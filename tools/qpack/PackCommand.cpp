// qpack pack DIR -o FILE: a side archive, the payload at offset 0.

#include "tools/qpack/HostArguments.h"
#include "tools/qpack/Messages.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PackInput.h"

namespace quibel::qpack {

int RunPack(const PackOptions& options) {
    try {
        const ScannedTree tree = ScanPackInput("pack", options);
        const PayloadOptions payload = PayloadOptionsFrom(options);
        OutputFile out(HostPathFromArgument(options.output));
        PackageDigester digest;
        const PayloadSummary summary = WritePayload(tree, payload, out, digest);
        out.Commit();
        PrintPackSummary("pack", options, summary);
    } catch (const TreeProblems& problems) {
        for (const std::string& line : ProblemReport(problems.Problems())) {
            PrintError("pack", line);
        }
        return 1;
    } catch (const PackError& failure) {
        PrintError("pack", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
