#include "ui/PickerDrives.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "ui/PickerIcons.h"
#include "ui/PickerSystem.h"
#include "ui/PickerTypeAhead.h"

namespace quibel {
namespace {

TEST(PickerDrives, EntryTextByDriveKind) {
    struct Case {
        char letter;
        DriveKind kind;
        std::string label;
        std::optional<std::string> networkName;
        std::string expected;
    };
    const Case cases[] = {
        {'a', DriveKind::Removable, "ignored", std::nullopt, "a:"},
        {'c', DriveKind::Fixed, "system", std::nullopt, "c: [system]"},
        {'d', DriveKind::CdRom, "", std::nullopt, "d: []"},
        {'r', DriveKind::Ram, "ram & co", std::nullopt, "r: [ram & co]"},
        {'x', DriveKind::Network, "ignored", std::string("\\\\srv\\share"), "x: \\\\srv\\share"},
        {'y', DriveKind::Network, "backup", std::nullopt, "y: [backup]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriveEntryText(c.letter, c.kind, c.label, c.networkName), c.expected);
    }
}

TEST(PickerDrives, EntryOfALetterIsTheFirstWithThatLetterAndAColon) {
    const std::vector<DriveEntry> entries = {{"a:", DriveKind::Removable},
                                             {"c: [system]", DriveKind::Fixed},
                                             {"dd", DriveKind::Fixed},
                                             {"d: []", DriveKind::CdRom},
                                             {"d: [second]", DriveKind::CdRom}};
    EXPECT_EQ(FindDriveEntry(entries, 'C'), 1);
    EXPECT_EQ(FindDriveEntry(entries, 'c'), 1);
    EXPECT_EQ(FindDriveEntry(entries, 'd'), 3);
    EXPECT_EQ(FindDriveEntry(entries, 'z'), -1);
}

// Against the drives of the test prefix: C: is the fixed drive of every Wine prefix, Z: its link to "/".
TEST(PickerDrives, SystemDrivesAreListedInLetterOrderInLowerCase) {
    const std::vector<DriveEntry> drives = PickerSystem::Default().Drives();
    ASSERT_FALSE(drives.empty());
    const int c = FindDriveEntry(drives, 'c');
    ASSERT_GE(c, 0);
    EXPECT_EQ(drives[static_cast<std::size_t>(c)].kind, DriveKind::Fixed);
    EXPECT_EQ(drives[static_cast<std::size_t>(c)].text.substr(0, 4), "c: [");
    for (std::size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].text, PickerSystem::LowerCase(drives[i].text));
        if (i > 0) {
            EXPECT_LT(drives[i - 1].text[0], drives[i].text[0]);
        }
    }
}

// What the drive list asks of the system for each kind of drive, and the bitmap each entry is drawn with. The
// floppy drive is never read: its label would spin it up or ask for a disk.
TEST(PickerDrives, EachKindOfDriveGetsItsTextAndBitmapAndNoFloppyIsRead) {
    struct Case {
        char letter;
        std::optional<DriveKind> kind;
        std::optional<std::string> network;
        const char* text;  // nullptr: no entry
        const char* bitmap;
        bool labelRead;
    };
    const Case cases[] = {
        {'a', DriveKind::Removable, std::nullopt, "a:", "FLOPPY", false},
        {'c', DriveKind::Fixed, std::nullopt, "c: [label c]", "HARD", true},
        {'d', DriveKind::CdRom, std::nullopt, "d: [label d]", "CDROM", true},
        {'m', std::nullopt, std::nullopt, nullptr, nullptr, false},
        {'r', DriveKind::Ram, std::nullopt, "r: [label r]", "RAM", true},
        {'x', DriveKind::Network, std::string("\\\\SRV\\Share"), "x: \\\\srv\\share", "NETWORK", false},
        {'y', DriveKind::Network, std::nullopt, "y: [label y]", "NETWORK", true},
    };
    class CountingSystem final : public PickerSystem {
      public:
        explicit CountingSystem(const Case* cases, std::size_t count) : cases_(cases, cases + count) {}
        std::uint32_t LogicalDrives() override {
            std::uint32_t mask = 0;
            for (const Case& c : cases_) {
                mask |= 1u << (c.letter - 'a');
            }
            return mask;
        }
        std::optional<DriveKind> KindOfDrive(const std::string& root) override { return Of(root[0]).kind; }
        std::string VolumeLabel(const std::string& root) override {
            labelsRead.push_back(root);
            return std::string("LABEL ") + root[0];
        }
        std::optional<std::string> NetworkName(char letter) override { return Of(letter).network; }
        std::vector<std::string> labelsRead;

      private:
        const Case& Of(char letter) const {
            return *std::find_if(cases_.begin(), cases_.end(), [&](const Case& c) { return c.letter == letter; });
        }
        std::vector<Case> cases_;
    } system(cases, std::size(cases));

    const std::vector<DriveEntry> drives = system.Drives();
    std::size_t entry = 0;
    for (const Case& c : cases) {
        const std::string root = std::string(1, c.letter) + ":\\";
        const bool read = std::count(system.labelsRead.begin(), system.labelsRead.end(), root) == 1;
        EXPECT_EQ(read, c.labelRead) << root;
        if (c.text == nullptr) {
            continue;
        }
        ASSERT_LT(entry, drives.size());
        EXPECT_EQ(drives[entry].text, c.text);
        EXPECT_STREQ(ResourceName(DriveIcon(drives[entry].kind)), c.bitmap) << c.text;
        ++entry;
    }
    EXPECT_EQ(entry, drives.size());
}

TEST(PickerTypeAhead, LettersWithinHalfASecondFormOnePrefix) {
    TypeAhead typing;
    EXPECT_EQ(typing.Key('w', 1000), "w");
    EXPECT_EQ(typing.Key('i', 1499), "wi");
    EXPECT_EQ(typing.Key('n', 1900), "win");
    EXPECT_EQ(typing.Key(TypeAhead::kBackspace, 2000), "wi");
    EXPECT_EQ(typing.Key('x', 2500), "x");
    EXPECT_EQ(typing.Key(TypeAhead::kBackspace, 2600), "");
    EXPECT_EQ(typing.Key(TypeAhead::kBackspace, 2700), "");
    // The tick count wraps around after 49 days.
    EXPECT_EQ(typing.Key('a', 0xFFFFFF00u), "a");
    EXPECT_EQ(typing.Key('b', 0x00000010u), "ab");
}

TEST(PickerTypeAhead, PrefixFindsTheFirstEntryIgnoringCase) {
    const std::vector<std::string> texts = {"C:\\", "Windows", "Fonts", "fonts2", "Été", "system32"};
    const auto find = [&](const std::string& prefix) { return FindByPrefix(texts, prefix, &PickerSystem::LowerCase); };
    EXPECT_EQ(find("fo"), 2);
    EXPECT_EQ(find("FONTS2"), 3);
    EXPECT_EQ(find("été"), 4);
    EXPECT_EQ(find("c:"), 0);
    EXPECT_EQ(find("windowsx"), -1);
    EXPECT_EQ(find(""), -1);
}

// Type-ahead folds case as the rest of the picker does, by the system's ANSI code page: the registered run under
// Wine with a Cyrillic locale (code page 1251) finds Cyrillic capitals that a Windows-1252 table would not fold.
TEST(PickerTypeAhead, CaseFoldingFollowsTheSystemCodePage) {
    struct Case {
        unsigned codePage;
        const char* typed;
        int found;  // in {"\xC9t\xE9", "\xD7\xE0\xF1", "\xA8\xEB\xEA\xE0", "\x9F"}
    };
    const Case cases[] = {
        {1252, "\xE9", 0},      // é finds É
        {1252, "\xF7", -1},     // ÷ is no letter: it finds no ×
        {1252, "\xFF", 3},      // ÿ finds Ÿ
        {1252, "\xB8", -1},     // the cedilla is no letter
        {1251, "\xF7\xE0", 1},  // ча finds Час
        {1251, "\xB8", 2},      // ё finds Ёлка
        {1251, "\xE9", 0},      // й finds Й
    };
    const std::vector<std::string> texts = {"\xC9t\xE9", "\xD7\xE0\xF1", "\xA8\xEB\xEA\xE0", "\x9F"};
    if (const char* expected = std::getenv("QUIBEL_EXPECT_ACP")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected))) << "the locale of this run is not installed";
    }
    int checked = 0;
    for (const Case& c : cases) {
        if (c.codePage == GetACP()) {
            EXPECT_EQ(FindByPrefix(texts, c.typed, &PickerSystem::LowerCase), c.found) << c.codePage << " " << c.typed;
            ++checked;
        }
    }
    if (checked == 0) {
        GTEST_SKIP() << "no cases for code page " << GetACP();
    }
}

}  // namespace
}  // namespace quibel
