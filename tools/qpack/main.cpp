// qpack: builds, inspects and extracts the packages that the installer carries.

#include <cstdio>
#include <exception>

#include "platform/NativeFileSystem.h"
#include "tools/qpack/cli/CommandLine.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"

int main(int argc, char** argv) {
    quibel::qpack::OpenClosedStandardStreams();
    try {
        return quibel::qpack::RunCommandLine(quibel::qpack::CommandLineArguments(argc, argv));
    } catch (const std::exception& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "qpack: error: %s\n",
                     quibel::qpack::ShownText(quibel::ToNativeText(failure.what(), false)).c_str());
        return 1;
    }
}
