#include "tools/qpack/common/ShortNames.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

constexpr std::string_view kInvalidInShortNames = "\"*+,/:;<=>?[\\]|";
constexpr std::size_t kShortBaseSize = 8;
constexpr std::size_t kShortExtensionSize = 3;

bool IsHigh(char c) {
    return static_cast<unsigned char>(c) > 0x7F;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The name before its last dot, and what follows that dot.
std::pair<std::string, std::string> SplitAtLastDot(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return {name, ""};
    }
    return {name.substr(0, dot), name.substr(dot + 1)};
}

bool IsShortNameCharacter(char c, bool highAllowed) {
    return IsHigh(c) ? highAllowed
                     : c > ' ' && c < 0x7F && c != '.' && kInvalidInShortNames.find(c) == std::string_view::npos;
}

// A name that fits 8.3 as it stands; a sibling's with bytes above 0x7F may still get a short name (its OEM form
// can differ), so for it they do not count as fitting.
bool IsEightDotThree(const std::string& name, bool highAllowed) {
    if (std::count(name.begin(), name.end(), '.') > 1) {
        return false;
    }
    const auto [base, extension] = SplitAtLastDot(name);
    const auto fits = [highAllowed](char c) { return IsShortNameCharacter(c, highAllowed); };
    return !base.empty() && base.size() <= kShortBaseSize && extension.size() <= kShortExtensionSize &&
           (extension.empty() == (name.find('.') == std::string::npos)) &&
           std::all_of(base.begin(), base.end(), fits) && std::all_of(extension.begin(), extension.end(), fits);
}

// Upper-cased, spaces and dots removed, what short names cannot hold made "_".
std::string ShortForm(const std::string& text) {
    std::string form;
    for (const char c : text) {
        if (c == ' ' || c == '.') {
            continue;
        }
        form.push_back(IsHigh(c) || IsShortNameCharacter(c, false) ? Upper(c) : '_');
    }
    return form;
}

// Whether candidate is generated, letter case aside; a byte above 0x7F in generated stands for any character.
bool Matches(std::string_view candidate, std::string_view generated) {
    return candidate.size() == generated.size() &&
           std::equal(candidate.begin(), candidate.end(), generated.begin(),
                      [](char c, char g) { return IsHigh(g) || Upper(c) == g; });
}

bool IsHashedBase(std::string_view prefix, std::string_view digits) {
    return prefix.size() == 6 && digits.size() == 1 && std::all_of(prefix.begin() + 2, prefix.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

}  // namespace

bool IsShortNameOf(const std::string& name, const std::string& sibling) {
    if (IsEightDotThree(sibling, false) || !IsEightDotThree(name, true)) {
        return false;
    }
    const auto [base, extension] = SplitAtLastDot(name);
    const std::size_t tilde = base.rfind('~');
    if (tilde == std::string::npos) {
        return false;
    }
    const std::string_view prefix = std::string_view(base).substr(0, tilde);
    const std::string_view digits = std::string_view(base).substr(tilde + 1);
    if (digits.empty() || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto [siblingBase, siblingExtension] = SplitAtLastDot(sibling);
    const std::string shortBase = ShortForm(siblingBase);
    if (!Matches(extension, ShortForm(siblingExtension).substr(0, kShortExtensionSize))) {
        return false;
    }
    if (IsHashedBase(prefix, digits) && shortBase.size() >= 2 && Matches(prefix.substr(0, 2), shortBase.substr(0, 2))) {
        return true;
    }
    const std::size_t kept = std::min(shortBase.size(), kShortBaseSize - 1 - digits.size());
    return Matches(prefix, std::string_view(shortBase).substr(0, kept));
}

std::string ShortNameClash(const std::string& shortName, const std::string& longName) {
    return "\"" + TerminalText(shortName) + "\" is a short (8.3) name Windows may give \"" + TerminalText(longName) +
           "\" on a volume that makes them (the system drive, FAT drives): the installer would open one for the "
           "other, merging or replacing them";
}

}  // namespace quibel::qpack
