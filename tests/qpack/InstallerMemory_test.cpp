// qpack installer warns when installing one file would need more memory at once than the 32-bit installer holds:
// the installer file, that file's block and its decoded content.
#include "tools/qpack/write/InstallerMemory.h"

#include <gtest/gtest.h>

namespace quibel::qpack {
namespace {

StoredFile File(const std::string& directory, const std::string& name, std::int32_t block, std::int32_t decoded) {
    return StoredFile{directory + "\\" + name, block, decoded};
}

TEST(InstallerMemory, WarnsOfTheFileThatNeedsTheMostAndOnlyAboveTheLimit) {
    constexpr std::uint64_t MB = 1'000'000;
    struct Case {
        std::uint64_t installer;
        std::vector<StoredFile> entries;
        const char* named;  // nullptr: no warning
    };
    const Case cases[] = {
        {0, {}, nullptr},
        {400 * MB, {File("", "small.bin", 10, 20)}, nullptr},
        // 400 + 84 + 1,400 = 1,884 MB: just fits.
        {400 * MB, {File("\\data", "fits.bin", 84 * MB, 1400 * MB)}, nullptr},
        {400 * MB, {File("\\data", "over.bin", 84 * MB + 1, 1400 * MB)}, "\\data\\over.bin"},
        // The largest sum is named, not the largest content: a stored block counts as much as its content.
        {600 * MB,
         {File("", "a.txt", 1, 100), File("\\v", "stored.bin", 700 * MB, 700 * MB - 8),
          File("\\v", "packed.bin", 10 * MB, 1200 * MB)},
         "\\v\\stored.bin"},
        // A damaged size field counts for nothing.
        {1900 * MB, {File("", "neg.bin", -5, -7)}, "\\neg.bin"},
    };
    for (const Case& c : cases) {
        const auto warning = InstallerMemoryWarning(c.installer, c.entries);
        if (c.named == nullptr) {
            EXPECT_FALSE(warning.has_value()) << *warning;
            continue;
        }
        ASSERT_TRUE(warning.has_value()) << c.named;
        EXPECT_EQ(warning->rfind(std::string(c.named) + ": ", 0), 0u) << *warning;
    }
}

}  // namespace
}  // namespace quibel::qpack
