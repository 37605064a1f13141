#include "ui/PickerDrives.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(FindByPrefix(texts, "fo"), 2);
    EXPECT_EQ(FindByPrefix(texts, "FONTS2"), 3);
    EXPECT_EQ(FindByPrefix(texts, "été"), 4);
    EXPECT_EQ(FindByPrefix(texts, "c:"), 0);
    EXPECT_EQ(FindByPrefix(texts, "windowsx"), -1);
    EXPECT_EQ(FindByPrefix(texts, ""), -1);
}

}  // namespace
}  // namespace quibel
