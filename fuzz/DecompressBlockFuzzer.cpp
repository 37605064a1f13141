// One compressed block: DecompressBlock must write exactly what the step-by-step reference decoder writes and fail
// exactly when it fails; a success writes the decoded size, a failure only whole chunks. Aborts otherwise.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzLimits.h"
#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "tests/support/Lh5Reference.h"
#include "tests/support/Lh5TestDecode.h"

namespace {

[[noreturn]] void Fail(const char* what, std::size_t got, std::size_t want) {
    std::fprintf(stderr, "decompress_block_fuzzer: %s (%zu vs %zu)\n", what, got, want);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> block(data, data + size);
    std::int32_t decodedSize = 0;
    if (block.size() >= 4) {
        auto field = static_cast<std::uint32_t>(block[0] | block[1] << 8 | block[2] << 16) |
                     static_cast<std::uint32_t>(block[3]) << 24;
        if (static_cast<std::int32_t>(field) > 0) {
            field %= quibel::fuzz::MaxDecodedSize;
        }
        for (int i = 0; i < 4; ++i) {
            block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(field >> (8 * i));
        }
        decodedSize = static_cast<std::int32_t>(field);
    }
    const quibel::testing::DecodeOutcome outcome = quibel::testing::DecodeBlock(block);
    bool referenceFailed = false;
    const std::vector<std::uint8_t> reference = quibel::testing::Lh5Reference::DecodeAll(block, referenceFailed);
    if (outcome.corrupt != referenceFailed) {
        Fail("failure differs from the reference", outcome.corrupt, referenceFailed);
    }
    if (outcome.bytes != reference) {
        Fail("bytes differ from the reference", outcome.bytes.size(), reference.size());
    }
    const std::size_t want = decodedSize > 0 ? static_cast<std::size_t>(decodedSize) : 0;
    if (!outcome.corrupt && outcome.bytes.size() != want) {
        Fail("success without the decoded size", outcome.bytes.size(), want);
    }
    if (outcome.corrupt && (outcome.bytes.size() % 8192 != 0 || outcome.bytes.size() >= want)) {
        Fail("failure after more than the whole chunks before it", outcome.bytes.size(), want);
    }
    return 0;
}
