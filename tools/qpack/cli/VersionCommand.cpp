// qpack version (--version, -V): qpack's own version, and the stub that `qpack installer` takes without --stub with the
// version its resource gives, so that a packager sees which installer program a release would carry.

#include <string>
#include <system_error>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/DefaultStub.h"
#include "tools/qpack/common/DisplayPath.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/inspect/PackageFile.h"
#include "tools/qpack/pe/StubVersion.h"

#ifndef QPACK_VERSION
#error "QPACK_VERSION is set by the build from the project's version"
#endif

namespace quibel::qpack {

namespace {

std::string StubLine() {
    try {
        const std::filesystem::path stub = DefaultStubPath();
        std::error_code error;
        if (!std::filesystem::exists(stub, error)) {
            return "stub: none installed (looked for " + DisplayPath(stub) + "); qpack installer needs --stub";
        }
        PackageFile image(stub);
        const auto version = StubFileVersion(image);
        return "stub: " + DisplayPath(stub) + ", " + (version ? "version " + *version : "no version resource");
    } catch (const PackError& failure) {
        return std::string("stub: ") + failure.what();
    }
}

}  // namespace

int RunVersion(const CommandOptions&) {
    WriteStandardOutput(std::string("qpack ") + QPACK_VERSION + "\n" + StubLine() + "\n");
    return 0;
}

}  // namespace quibel::qpack
