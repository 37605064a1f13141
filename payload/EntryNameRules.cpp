#include "payload/EntryNameRules.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quibel {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// "..", and what Windows reduces to it: a component of dots and spaces only, holding two dots or more.
bool ClimbsUp(std::string_view component) {
    const bool onlyDotsAndSpaces =
        std::all_of(component.begin(), component.end(), [](char c) { return c == '.' || c == ' '; });
    return onlyDotsAndSpaces && std::count(component.begin(), component.end(), '.') >= 2;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows refuses such names itself (error 123), and in a log line or on a terminal they could forge lines or
// send escape sequences.
bool HasControlCharacter(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

bool IsReservedDeviceName(std::string_view component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
        component.remove_suffix(1);
    }
    component = component.substr(0, component.find('.'));
    while (!component.empty() && component.back() == ' ') {
        component.remove_suffix(1);
    }
    if (component.size() > 7) {  // longer than CONOUT$: no device, and no copy to make
        return false;
    }
    std::string upper(component);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    static constexpr std::array<std::string_view, 6> plain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(plain.begin(), plain.end(), upper) != plain.end()) {
        return true;
    }
    if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    const auto digit = static_cast<unsigned char>(upper[3]);
    // '1'..'9' and the superscripts one, two, three of Windows-1252.
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsAcceptedDirectoryName(const std::string& name) {
    if (name.find(':') != std::string::npos || HasControlCharacter(name)) {
        return false;
    }
    std::size_t begin = 0;
    while (begin <= name.size()) {
        std::size_t end = begin;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view component(name.data() + begin, end - begin);
        if (!component.empty() && (ClimbsUp(component) || IsReservedDeviceName(component))) {
            return false;
        }
        begin = end + 1;
    }
    return true;
}

bool IsAcceptedFileName(const std::string& name) {
    if (name.find_first_of("\\/:") != std::string::npos || name == "." || ClimbsUp(name) || HasControlCharacter(name)) {
        return false;
    }
    return !IsReservedDeviceName(name);
}

}  // namespace quibel
