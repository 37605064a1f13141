#include "app/SpeechTemplates.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quibel {
namespace {

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(SpeechTemplates, TwoVoiceTemplateHoldsItsEighteenLines) {
    const SpeechTemplate expected = {
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
        "[CATHY16]",
        "CustomCmdLine=/d \"%rep\\bin\\data\\CATHY16.dat\"",
    };
    EXPECT_EQ(TwoVoiceSpeechTemplate(), expected);
}

TEST(SpeechTemplates, FourteenVoiceTemplateListsEveryVoiceWithItsSection) {
    const SpeechTemplate two = TwoVoiceSpeechTemplate();
    const SpeechTemplate fourteen = FourteenVoiceSpeechTemplate();
    ASSERT_EQ(fourteen.size(), 54u);
    EXPECT_TRUE(std::equal(two.begin(), two.begin() + 16, fourteen.begin()));
    const char* voices[] = {"ROBERT16", "CATHY16",  "RAFAEL16", "JOANA16",  "PEDRO16",  "GORDON16",  "VICKY16",
                            "MARY16",   "WILIAM16", "PAUL16",   "DAGMAR16", "THOMAS16", "MASSIMO16", "SOFIA16"};
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(voices[i]);
        EXPECT_EQ(fourteen[14 + i], "V" + std::to_string(i) + "=" + voices[i]);
        // ROBERT16's section stands before the list (lines 12 and 13), the others' from line 29 on.
        const std::size_t section = i == 0 ? 11 : 28 + 2 * (i - 1);
        EXPECT_EQ(fourteen[section], std::string("[") + voices[i] + "]");
        EXPECT_EQ(fourteen[section + 1], std::string("CustomCmdLine=/d \"%rep\\bin\\data\\") + voices[i] + ".dat\"");
    }
}

TEST(SpeechTemplates, PlaceholderStandsAtMostOncePerLine) {
    const struct {
        SpeechTemplate lines;
        std::size_t occurrences;
    } cases[] = {{TwoVoiceSpeechTemplate(), 4}, {FourteenVoiceSpeechTemplate(), 16}};
    for (const auto& c : cases) {
        std::size_t total = 0;
        for (const auto& line : c.lines) {
            EXPECT_LE(CountOf(line, "%rep"), 1u) << line;
            total += CountOf(line, "%rep");
        }
        EXPECT_EQ(total, c.occurrences);
    }
}

TEST(FillInPlaceholder, ReplacesEveryOccurrenceLeftToRightWithoutSearchingTheInsertedText) {
    const struct {
        const char* line;
        const char* directory;
        const char* expected;
    } cases[] = {
        {"Base=%rep", "c:\\speng", "Base=c:\\speng"},
        {"Main=%REP\\bin", "c:\\speng", "Main=c:\\speng\\bin"},
        {"%Rep|%rEp", "d:\\x", "d:\\x|d:\\x"},
        {"[WPsola]", "c:\\speng", "[WPsola]"},
        {"%re", "c:\\speng", "%re"},
        {"", "c:\\speng", ""},
        // The search goes on behind the replaced occurrence of the original line.
        {"%%rep", "X", "%X"},
        {"%rep%rep", "", ""},
        {"%r%rep", "X", "%rX"},
        // Inserted text that holds the placeholder, or forms it with what follows, stays as it is.
        {"%rep\\bin", "c:\\%rep", "c:\\%rep\\bin"},
        {"%repp", "%re", "%rep"},
        // 8-bit letters outside ASCII are left alone.
        {"Donn\xE9"
         "es=%rep",
         "c:\\voix fran\xE7"
         "aises",
         "Donn\xE9"
         "es=c:\\voix fran\xE7"
         "aises"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FillInPlaceholder(c.line, c.directory), c.expected) << c.line << " with " << c.directory;
    }
}

TEST(SettingsFileContent, HasTheKnownSizesAndEndsEveryLineWithCrLf) {
    const struct {
        SpeechTemplate lines;
        const char* directory;
        std::size_t size;
    } cases[] = {
        {TwoVoiceSpeechTemplate(), "c:\\speng", 324},
        {FourteenVoiceSpeechTemplate(), "c:\\speng", 1219},
        // Each character more in the directory adds one byte per occurrence.
        {TwoVoiceSpeechTemplate(), "c:\\speng2", 328},
        {FourteenVoiceSpeechTemplate(), "c:\\speng22", 1251},
    };
    for (const auto& c : cases) {
        SpeechTemplate lines = c.lines;
        FillInSpeechTemplate(lines, c.directory);
        const std::string text = AsText(SettingsFileContent(lines));
        EXPECT_EQ(text.size(), c.size) << c.directory;
        EXPECT_EQ(CountOf(text, "\r\n"), lines.size());
        EXPECT_EQ(CountOf(text, "\n"), lines.size());
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_EQ(text.substr(0, 14), "[WPsolaPath]\r\n");  // no byte-order mark, no header
    }
}

TEST(SettingsFileContent, TwoVoiceFileForCSpengReadsAsExpected) {
    SpeechTemplate lines = TwoVoiceSpeechTemplate();
    FillInSpeechTemplate(lines, "c:\\speng");
    const std::string text = AsText(SettingsFileContent(lines));
    EXPECT_EQ(text,
              "[WPsolaPath]\r\nMain=c:\\speng\\bin\r\nBase=c:\\speng\r\n[WPsola]\r\nVersion=3.100.000\r\n"
              "UILanguage=ENG\r\nDefVoice=ROBERT16\r\n[SpeechParam]\r\nPitch=127\r\nSpeed=127\r\nVolume=127\r\n"
              "[ROBERT16]\r\nCustomCmdLine=/d \"c:\\speng\\bin\\data\\ROBERT16.dat\"\r\n[VOICE_LIST]\r\nV0=ROBERT16\r\n"
              "V1=CATHY16\r\n[CATHY16]\r\nCustomCmdLine=/d \"c:\\speng\\bin\\data\\CATHY16.dat\"\r\n");
}

TEST(SettingsFileContent, EmptyTemplateGivesAnEmptyFile) {
    EXPECT_TRUE(SettingsFileContent({}).empty());
    EXPECT_EQ(AsText(SettingsFileContent({""})), "\r\n");
}

}  // namespace
}  // namespace quibel
