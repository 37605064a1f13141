// The progress line never wraps: within the terminal's width less its last column, the parts that do not fit are
// left out from the end.

#include "tools/qpack/write/ProgressLine.h"

#include <gtest/gtest.h>

namespace quibel::qpack {
namespace {

TEST(ProgressText, FitsTheTerminalLeavingOutPartsFromTheEnd) {
    const CompressionProgress halfway{0, 12'300'000, 0};  // within the one file
    const struct {
        std::size_t columns;
        const char* text;
    } cases[] = {
        {80, "12.3/58.4 MB, 0/1 files, 4.1 MB/s, 0:11 left"},
        {45, "12.3/58.4 MB, 0/1 files, 4.1 MB/s, 0:11 left"},
        {44, "12.3/58.4 MB, 0/1 files, 4.1 MB/s"},
        {33, "12.3/58.4 MB, 0/1 files"},
        {24, "12.3/58.4 MB, 0/1 files"},
        {23, "12.3/58.4 MB"},
        {8, "12.3/58"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressText(halfway, 1, 58'400'000, 3.0, c.columns), c.text) << c.columns;
    }
}

}  // namespace
}  // namespace quibel::qpack
