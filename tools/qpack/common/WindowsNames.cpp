#include "tools/qpack/common/WindowsNames.h"

#include "payload/EntryNameRules.h"

#include <algorithm>
#include <string_view>

namespace quibel::qpack {

namespace {

unsigned char UpperCp1252(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
        case 0x9A:  // s caron
        case 0x9C:  // oe
        case 0x9E:  // z caron
            return static_cast<unsigned char>(c - 0x10);
        case 0xFF:  // y diaeresis
            return 0x9F;
        default:
            return c;
    }
}

}  // namespace

std::optional<std::string> WindowsNameProblem(const std::string& name) {
    if (name.empty()) {
        return "empty name";
    }
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            return "control character in the name";
        }
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            return std::string("character '") + c + "' that Windows forbids in names";
        }
    }
    if (name.back() == '.' || name.back() == ' ') {
        return "name ending in a dot or a space";
    }
    if (IsReservedDeviceName(name)) {
        return "reserved device name";
    }
    return std::nullopt;
}

std::string UpperCaseKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        c = static_cast<char>(UpperCp1252(static_cast<unsigned char>(c)));
    }
    return key;
}

bool ComesBefore(const std::string& a, const std::string& b) {
    const std::string keyA = UpperCaseKey(a);
    const std::string keyB = UpperCaseKey(b);
    return std::lexicographical_compare(keyA.begin(), keyA.end(), keyB.begin(), keyB.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

}  // namespace quibel::qpack
