// One compressed block, checked against the step-by-step reference decoder (see CheckBlock). Aborts on a mismatch.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = quibel::fuzz::CheckBlock(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "decompress_block_fuzzer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
