// qpack's reading of a package against the installer's (see CheckReading): aborts when a file verify calls sound
// installs another tree than list shows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/InspectCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = quibel::fuzz::CheckReading(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "inspect_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
