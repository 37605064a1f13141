#include "tools/qpack/common/TerminalText.h"

#include "platform/NativeFileSystem.h"

namespace quibel::qpack {

namespace {

#ifndef _WIN32
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The length of the UTF-8 sequence at text[i] and its code point; 0 when no well-formed character starts there.
std::size_t NextCharacter(const std::string& text, std::size_t i, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    static constexpr char32_t kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    c = lead & kLeadMask[length];
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (next & 0x3F);
    }
    const bool wellFormed = c >= kSmallest[length] && !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
    return wellFormed ? length : 0;
}
#endif

}  // namespace

std::string ShownText(const std::string& hostText) {
    std::string shown;
    shown.reserve(hostText.size());
#ifdef _WIN32
    // Windows-1252 leaves five bytes to the C1 controls.
    for (const char byte : hostText) {
        const auto c = static_cast<unsigned char>(byte);
        const bool control = c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        shown += control ? '?' : byte;
    }
#else
    for (std::size_t i = 0; i < hostText.size();) {
        char32_t c = 0;
        const std::size_t length = NextCharacter(hostText, i, c);
        if (length == 0 || IsControl(c)) {
            shown += '?';
            i += length == 0 ? 1 : length;
            continue;
        }
        shown.append(hostText, i, length);
        i += length;
    }
#endif
    return shown;
}

std::string TerminalText(const std::string& text, bool separators) {
    return ShownText(ToNativeText(text, separators));
}

}  // namespace quibel::qpack
