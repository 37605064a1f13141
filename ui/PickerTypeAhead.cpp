#include "ui/PickerTypeAhead.h"

namespace quibel {

namespace {

// Lower case of a Windows-1252 character: A-Z, the accented capitals and the four capitals of 0x8A-0x9F.
unsigned char FoldCase(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return static_cast<unsigned char>(c + 0x20);
    }
    switch (c) {
        case 0x8A:
            return 0x9A;  // Š
        case 0x8C:
            return 0x9C;  // Œ
        case 0x8E:
            return 0x9E;  // Ž
        case 0x9F:
            return 0xFF;  // Ÿ
        default:
            return c;
    }
}

}  // namespace

const std::string& TypeAhead::Key(char key, std::uint32_t nowMs) {
    if (nowMs - lastKeyMs_ >= kPauseMs) {
        prefix_.clear();
    }
    lastKeyMs_ = nowMs;
    if (key == kBackspace) {
        if (!prefix_.empty()) {
            prefix_.pop_back();
        }
    } else {
        prefix_ += key;
    }
    return prefix_;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(static_cast<unsigned char>(text[i])) != FoldCase(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

int FindByPrefix(const std::vector<std::string>& texts, const std::string& prefix) {
    if (prefix.empty()) {
        return -1;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (StartsWithIgnoringCase(texts[i], prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quibel
