#include "app/SpeechTemplates.h"

#include <array>
#include <string_view>

namespace quibel {

namespace {

constexpr std::string_view kPlaceholder = "%rep";
constexpr std::string_view kLineBreak = "\r\n";

// Lines 1 to 16, common to both templates: paths, engine version, default voice ROBERT16 and the start of the
// voice list.
constexpr std::array<std::string_view, 16> kCommonLines = {
    "[WPsolaPath]",
    "Main=%rep\\bin",
    "Base=%rep",
    "[WPsola]",
    "Version=3.100.000",
    "UILanguage=ENG",
    "DefVoice=ROBERT16",
    "[SpeechParam]",
    "Pitch=127",
    "Speed=127",
    "Volume=127",
    "[ROBERT16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\ROBERT16.dat\"",
    "[VOICE_LIST]",
    "V0=ROBERT16",
    "V1=CATHY16",
};

// Lines 17 and 18 of the two-voice template: the section of its second voice.
constexpr std::array<std::string_view, 2> kTwoVoiceTail = {
    "[CATHY16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\CATHY16.dat\"",
};

// Lines 17 to 54 of the fourteen-voice template: the rest of the voice list, then one section per voice.
// clang-format off
constexpr std::array<std::string_view, 38> kFourteenVoiceTail = {
    "V2=RAFAEL16",
    "V3=JOANA16",
    "V4=PEDRO16",
    "V5=GORDON16",
    "V6=VICKY16",
    "V7=MARY16",
    "V8=WILIAM16",
    "V9=PAUL16",
    "V10=DAGMAR16",
    "V11=THOMAS16",
    "V12=MASSIMO16",
    "V13=SOFIA16",
    "[CATHY16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\CATHY16.dat\"",
    "[RAFAEL16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\RAFAEL16.dat\"",
    "[JOANA16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\JOANA16.dat\"",
    "[PEDRO16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\PEDRO16.dat\"",
    "[GORDON16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\GORDON16.dat\"",
    "[VICKY16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\VICKY16.dat\"",
    "[MARY16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\MARY16.dat\"",
    "[WILIAM16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\WILIAM16.dat\"",
    "[PAUL16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\PAUL16.dat\"",
    "[DAGMAR16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\DAGMAR16.dat\"",
    "[THOMAS16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\THOMAS16.dat\"",
    "[MASSIMO16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\MASSIMO16.dat\"",
    "[SOFIA16]",
    "CustomCmdLine=/d \"%rep\\bin\\data\\SOFIA16.dat\"",
};
// clang-format on

template <std::size_t N>
SpeechTemplate WithCommonLines(const std::array<std::string_view, N>& tail) {
    SpeechTemplate lines(kCommonLines.begin(), kCommonLines.end());
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
}

bool IsPlaceholderAt(const std::string& line, std::size_t position) {
    if (line.size() - position < kPlaceholder.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kPlaceholder.size(); ++i) {
        char c = line[position + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kPlaceholder[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

SpeechTemplate TwoVoiceSpeechTemplate() {
    return WithCommonLines(kTwoVoiceTail);
}

SpeechTemplate FourteenVoiceSpeechTemplate() {
    return WithCommonLines(kFourteenVoiceTail);
}

std::string FillInPlaceholder(const std::string& line, const std::string& directory) {
    std::string result;
    std::size_t position = 0;
    while (position < line.size()) {
        if (IsPlaceholderAt(line, position)) {
            result += directory;
            position += kPlaceholder.size();
        } else {
            result += line[position++];
        }
    }
    return result;
}

void FillInSpeechTemplate(SpeechTemplate& lines, const std::string& directory) {
    for (auto& line : lines) {
        line = FillInPlaceholder(line, directory);
    }
}

std::vector<std::uint8_t> SettingsFileContent(const SpeechTemplate& lines) {
    std::vector<std::uint8_t> content;
    for (const auto& line : lines) {
        content.insert(content.end(), line.begin(), line.end());
        content.insert(content.end(), kLineBreak.begin(), kLineBreak.end());
    }
    return content;
}

}  // namespace quibel
