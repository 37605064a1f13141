// UTF-8 from the command line and the file system becomes Windows-1252 only when it is well-formed.

#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace quibel {
namespace {

TEST(TextEncoding, MalformedUtf8IsRefused) {
    struct Case {
        const char* what;
        std::string utf8;
        std::optional<std::string> cp1252;
    };
    const Case cases[] = {
        {"plain and accented", "l\xC3\xA9t\xC3\xA9", std::string("l\xE9t\xE9")},
        {"euro sign", "\xE2\x82\xAC", std::string("\x80")},
        {"overlong i", "l\xC1\xA9", std::nullopt},
        {"overlong slash, two bytes", "\xC0\xAF", std::nullopt},
        {"overlong slash, three bytes", "\xE0\x80\xAF", std::nullopt},
        {"overlong e acute, three bytes", "\xE0\x83\xA9", std::nullopt},
        {"overlong, four bytes", "\xF0\x80\x81\xA9", std::nullopt},
        {"high surrogate", "\xED\xA0\x80", std::nullopt},
        {"low surrogate", "\xED\xBF\xBF", std::nullopt},
        {"above U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
        {"cut two-byte sequence", "ab\xC3", std::nullopt},
        {"cut three-byte sequence", "\xE2\x82", std::nullopt},
        {"stray continuation byte", "\x80z", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.what;
        EXPECT_EQ(IsWellFormedUtf8(c.utf8), c.cp1252.has_value()) << c.what;
    }
}

}  // namespace
}  // namespace quibel
