// The failure display's text: the failure's message with a "." added when its last character's code is above that
// of "." (0x2E); one that ends in ".", "!", ")", a space or any other character at or below "." is shown as it is.
#include <gtest/gtest.h>

#include "payload/Errors.h"

namespace quibel {
namespace {

TEST(FailureDisplayText, AFullStopOnlyAfterACharacterAboveIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"x.", "x."},  {"x!", "x!"},      {"x)", "x)"},
        {"x ", "x "},  {"\xE9", "\xE9."},  // é, 0xE9 in Windows-1252: compared as an unsigned code
        {"", ""},      {"x", "x."},       {"Erreur E/S 21", "Erreur E/S 21."},
        {"x/", "x/."},  // 0x2F, just above "."
        {"x-", "x-"},   // 0x2D, just below
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FailureDisplayText(c.message), c.shown) << "[" << c.message << "]";
    }
}

}  // namespace
}  // namespace quibel
