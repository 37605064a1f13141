#include "tools/qpack/TerminalText.h"

#include "platform/NativeFileSystem.h"

namespace quibel::qpack {

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

std::string TerminalText(const std::string& text, bool separators) {
    std::string shown = text;
    for (char& c : shown) {
        if (IsControl(static_cast<unsigned char>(c))) {
            c = '?';
        }
    }
    return ToNativeText(shown, separators);
}

}  // namespace quibel::qpack
