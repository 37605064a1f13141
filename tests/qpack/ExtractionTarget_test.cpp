// The second line of defence of qpack extract: what lies within a base, taken on the text of the path alone.

#include "tools/qpack/ExtractionTarget.h"

#include <gtest/gtest.h>

namespace quibel::qpack {
namespace {

TEST(ExtractionTarget, OnlyPathsBelowTheBaseOrGluedBesideItAreCreated) {
    const std::string base = "\\tmp\\w\\X";
    const std::pair<std::string, bool> cases[] = {
        {"\\tmp\\w\\X", true},
        {"\\tmp\\w\\X\\a\\b.txt", true},
        {"\\tmp\\w\\X\\.\\a", true},
        {"\\tmp\\w\\X.", true},
        {"\\tmp\\w\\X.\\x", true},
        {"\\tmp\\w\\X-sibling\\pwn", true},
        {"\\tmp\\w\\X\\..", false},
        {"\\tmp\\w\\X\\..\\pwn", false},
        {"\\tmp\\w\\X\\.\\..\\pwn", false},
        {"\\tmp\\w\\X\\a\\..\\..", false},
        {"\\tmp\\w", false},
        {"\\tmp\\w\\Y\\X", false},
        {"\\tmp\\w\\x", false},
        {"\\tmp/w/X/a", true},
        {"\\tmp\\w\\X\\a/../../b", false},
    };
    for (const auto& [path, within] : cases) {
        EXPECT_EQ(LiesWithinBase(base, path), within) << path;
    }
    EXPECT_TRUE(LiesWithinBase("\\", "\\anything"));
    EXPECT_TRUE(LiesWithinBase("C:\\Apps\\Quibel", "C:\\Apps\\Quibel\\data"));
    EXPECT_FALSE(LiesWithinBase("C:\\Apps\\Quibel", "C:\\Windows\\System32"));
}

}  // namespace
}  // namespace quibel::qpack
