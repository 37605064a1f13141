#include "tools/qpack/common/TerminalText.h"

#include <cstdio>

#include "platform/NativeFileSystem.h"

#ifndef _WIN32
#include <utf8proc.h>
#endif

namespace quibel::qpack {

namespace {

std::string Escape(char32_t c) {
    if (c == '\t') {
        return "\\t";
    }
    if (c == '\n') {
        return "\\n";
    }
    char text[16];
    std::snprintf(text, sizeof text, c > 0xFFFF ? "\\U%08X" : "\\u%04X", static_cast<unsigned>(c));
    return text;
}

std::string EscapeByte(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

// One character of host text: its length in bytes (0: the byte at i forms none) and its code point.
struct Character {
    std::size_t length = 0;
    char32_t codePoint = 0;
};

#ifdef _WIN32
// The Windows build's host text is Windows-1252, whose characters are few: their classes are written here. Five
// bytes are unassigned; the soft hyphen is its one format character; the rest but the controls show as themselves.
Character NextCharacter(const std::string& text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool unassigned = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    return {unassigned ? 0u : 1u, byte};  // the code point matters only where it equals the byte
}

bool IsHidden(char32_t c) {
    return c < 0x20 || c == 0x7F || c == 0xAD;
}
#else
Character NextCharacter(const std::string& text, std::size_t i) {
    utf8proc_int32_t c = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + i),
                                                     static_cast<utf8proc_ssize_t>(text.size() - i), &c);
    return length <= 0 ? Character{} : Character{static_cast<std::size_t>(length), static_cast<char32_t>(c)};
}

bool IsHidden(char32_t c) {
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
        case UTF8PROC_CATEGORY_CC:  // controls
        case UTF8PROC_CATEGORY_CF:  // format: bidirectional marks and isolates, zero-width characters
        case UTF8PROC_CATEGORY_ZL:  // line separator
        case UTF8PROC_CATEGORY_ZP:  // paragraph separator
        case UTF8PROC_CATEGORY_CN:  // unassigned
        case UTF8PROC_CATEGORY_CS:  // surrogates (never well-formed UTF-8)
            return true;
        default:
            return false;
    }
}
#endif

// ShownText, with a backslash and a slash escaped too when the text is a listed name.
std::string Escaped(const std::string& hostText, bool listed) {
    std::string shown;
    shown.reserve(hostText.size());
    for (std::size_t i = 0; i < hostText.size();) {
        const Character next = NextCharacter(hostText, i);
        if (next.length == 0) {
            shown += EscapeByte(static_cast<unsigned char>(hostText[i]));
            ++i;
            continue;
        }
        if (IsHidden(next.codePoint)) {
            shown += Escape(next.codePoint);
        } else if (listed && (next.codePoint == '\\' || next.codePoint == '/')) {
            shown += std::string("\\") + static_cast<char>(next.codePoint);
        } else {
            shown.append(hostText, i, next.length);
        }
        i += next.length;
    }
    return shown;
}

}  // namespace

std::string ShownText(const std::string& hostText) {
    return Escaped(hostText, false);
}

std::string TerminalText(const std::string& text, bool separators) {
    return ShownText(ToNativeText(text, separators));
}

std::string ListedName(const std::string& text) {
    return Escaped(ToNativeText(text, false), true);
}

}  // namespace quibel::qpack
