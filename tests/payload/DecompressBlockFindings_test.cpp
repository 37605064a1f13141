// Every input the fuzz targets ever flagged (kept in tests/payload/findings/, one row each below) is replayed
// through the same checks as the targets, without their allocation cap.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "fuzz/FuzzChecks.h"
#include "tests/support/Lh5Corpus.h"

namespace quibel::testing {
namespace {

enum class Target { Block, Package };

struct Finding {
    const char* file;
    Target target;
    const char* proves;
};

const Finding kFindings[] = {
    {"package-large-decoded-size.bin", Target::Package,
     "a file entry whose 300-byte literal block claims 5,767,468 bytes decodes to that size inside the base "
     "(a fuzz timeout on a loaded machine: the allocation cap then let files grow to 4 MiB; now 256 KiB)"},
};

std::filesystem::path FindingsDirectory() {
    return std::filesystem::path(__FILE__).parent_path() / "findings";
}

TEST(DecompressBlockFindings, EveryFindingIsHandledSoundly) {
    for (const Finding& finding : kFindings) {
        const auto input = ReadWholeFile(FindingsDirectory() / finding.file);
        ASSERT_FALSE(input.empty()) << finding.file << " missing";
        const std::string fault = finding.target == Target::Block ? fuzz::CheckBlock(input.data(), input.size())
                                                                  : fuzz::CheckPackage(input.data(), input.size());
        EXPECT_EQ(fault, "") << finding.file << ": " << finding.proves;
    }
}

TEST(DecompressBlockFindings, EveryKeptInputHasItsRow) {
    std::set<std::string> rows;
    for (const Finding& finding : kFindings) {
        rows.insert(finding.file);
    }
    for (const auto& entry : std::filesystem::directory_iterator(FindingsDirectory())) {
        EXPECT_EQ(rows.count(entry.path().filename().string()), 1u) << entry.path() << " has no row";
    }
}

}  // namespace
}  // namespace quibel::testing
