// The drive list and the directory list without their windows, on a pretend system whose changes of directory
// can be refused with any error code.
#include <gtest/gtest.h>

#include <iterator>
#include <map>

#include "payload/Errors.h"
#include "ui/DirectoryListBox.h"
#include "ui/DriveComboBox.h"
#include "ui/PickerIcons.h"

namespace quibel {
namespace {

class PretendSystem : public PickerSystem {
  public:
    std::string current = "C:\\Windows\\Fonts";
    std::map<std::string, std::string> resolves;  // what a change to a path lands on (the drive designators)
    std::map<std::string, std::uint32_t> refusals;
    std::map<std::string, std::vector<std::string>> subdirectories;
    std::vector<std::string> changes;

    void ChangeDirectory(const std::string& path) override {
        changes.push_back(path);
        if (auto refused = refusals.find(path); refused != refusals.end()) {
            throw EInOutError(refused->second);
        }
        auto resolved = resolves.find(path);
        current = resolved != resolves.end() ? resolved->second : path;
    }
    std::string CurrentDirectory() override { return current; }
    std::vector<std::string> Subdirectories(const std::string& directory) override { return subdirectories[directory]; }
    CaseRules VolumeCaseRules(const std::string&) override { return {}; }
    std::vector<DriveEntry> Drives() override {
        return {{"a:", DriveKind::Removable},
                {"c: [system]", DriveKind::Fixed},
                {"d: []", DriveKind::CdRom},
                {"x: \\\\srv\\share", DriveKind::Network}};
    }
};

std::vector<std::string> Texts(const DirectoryListBox& list) {
    std::vector<std::string> texts;
    for (const DirectoryEntry& entry : list.Entries()) {
        texts.push_back(entry.text);
    }
    return texts;
}

class PickerLists : public ::testing::Test {
  protected:
    PickerLists() {
        system.subdirectories["C:\\Windows\\Fonts"] = {"Truetype", "bitmaps", "BITMAPS"};
        system.subdirectories["C:\\Windows"] = {"Fonts", "System32"};
        system.subdirectories["C:\\"] = {"Windows", "Temp"};
        system.resolves["c:"] = "C:\\Windows\\Fonts";
        system.resolves["e:"] = "e:\\";
        system.refusals["d:"] = SystemError::NotReady;
    }

    // Made after the pretend system is set up: both read the current directory when they are made.
    struct Picker {
        explicit Picker(PretendSystem& system) : list(system), drives(system) {
            list.OnChange = [this] { changes.push_back(list.Directory()); };
            drives.ReadDrives();
            drives.SetDirList(&list);
        }
        DirectoryListBox list;
        DriveComboBox drives;
        std::vector<std::string> changes;
    };

    PretendSystem system;
};

TEST_F(PickerLists, StartsInTheCurrentDirectoryOnItsDrive) {
    Picker picker(system);
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows\\Fonts");
    EXPECT_EQ(Texts(picker.list), (std::vector<std::string>{"C:\\", "Windows", "Fonts", "bitmaps", "Truetype"}));
    EXPECT_EQ(picker.list.CurrentIndex(), 2u);
    EXPECT_EQ(picker.drives.Drive(), 'c');
    EXPECT_EQ(picker.drives.SelectedIndex(), 1);
}

TEST_F(PickerLists, EachEntryIsDrawnWithTheBitmapOfItsPlace) {
    Picker picker(system);
    const std::pair<const char*, const char*> expected[] = {
        {"C:\\", "OPENFOLDER"},      {"Windows", "OPENFOLDER"},    {"Fonts", "CURRENTFOLDER"},
        {"bitmaps", "CLOSEDFOLDER"}, {"Truetype", "CLOSEDFOLDER"},
    };
    ASSERT_EQ(picker.list.Entries().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(picker.list.Entries()[i].text, expected[i].first);
        EXPECT_STREQ(ResourceName(FolderBitmap(picker.list.Entries()[i].icon)), expected[i].second) << i;
    }
}

TEST_F(PickerLists, NetworkStartSelectsNoDrive) {
    system.current = "\\\\srv\\share\\setup";
    Picker picker(system);
    EXPECT_EQ(picker.drives.Drive(), '\0');
    EXPECT_EQ(picker.drives.SelectedIndex(), -1);
    EXPECT_EQ(Texts(picker.list), (std::vector<std::string>{"\\\\srv\\share\\", "setup"}));
}

TEST_F(PickerLists, SelectingTheDriveOfTheCurrentDirectoryChangesNothing) {
    Picker picker(system);
    picker.drives.SetDrive('C');
    EXPECT_TRUE(system.changes.empty());
    EXPECT_TRUE(picker.changes.empty());
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows\\Fonts");
}

TEST_F(PickerLists, AnotherDriveGoesToItsCurrentDirectoryAndNotifiesOnce) {
    Picker picker(system);
    picker.drives.SetDrive('E');
    EXPECT_EQ(system.changes, std::vector<std::string>{"e:"});
    EXPECT_EQ(picker.drives.Drive(), 'e');
    EXPECT_EQ(picker.list.Directory(), "e:\\");
    EXPECT_EQ(picker.changes, std::vector<std::string>{"e:\\"});
    // E is not listed: the selection stays where it was.
    EXPECT_EQ(picker.drives.SelectedIndex(), 1);
}

TEST_F(PickerLists, DriveNotReadyKeepsTheDirectoryAndCountsAsSelected) {
    Picker picker(system);
    const std::vector<std::string> before = Texts(picker.list);
    try {
        picker.drives.SetDrive('d');
        FAIL() << "no failure";
    } catch (const EInOutError& failure) {
        EXPECT_EQ(failure.ErrorCode(), 21u);
        EXPECT_EQ(FailureDisplayText(failure.what()), "Erreur E/S 21.");
    }
    EXPECT_EQ(picker.drives.Drive(), 'd');
    EXPECT_EQ(picker.drives.SelectedIndex(), 2);
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows\\Fonts");
    EXPECT_EQ(Texts(picker.list), before);
    EXPECT_TRUE(picker.changes.empty());

    // The same drive again does nothing at all, not even a new attempt.
    picker.drives.SetDrive('d');
    EXPECT_EQ(system.changes, std::vector<std::string>{"d:"});

    // After another drive, the drive is tried again, and once ready it is entered.
    picker.drives.SetDrive('c');
    EXPECT_EQ(picker.drives.SelectedIndex(), 1);
    system.refusals.clear();
    system.resolves["d:"] = "D:\\";
    picker.drives.SetDrive('d');
    EXPECT_EQ(system.changes, (std::vector<std::string>{"d:", "d:"}));
    EXPECT_EQ(picker.list.Directory(), "D:\\");
    EXPECT_EQ(picker.changes, std::vector<std::string>{"D:\\"});
}

TEST_F(PickerLists, EnteringAncestorsCurrentRootAndSubdirectories) {
    Picker picker(system);
    picker.list.OpenEntry(2);  // Fonts, the current directory
    EXPECT_TRUE(system.changes.empty());
    EXPECT_TRUE(picker.changes.empty());

    picker.list.OpenEntry(1);  // Windows
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows");
    EXPECT_EQ(Texts(picker.list), (std::vector<std::string>{"C:\\", "Windows", "Fonts", "System32"}));

    picker.list.OpenEntry(3);  // System32, a subdirectory
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows\\System32");

    picker.list.OpenEntry(0);  // the root
    EXPECT_EQ(picker.list.Directory(), "C:\\");
    EXPECT_EQ(Texts(picker.list), (std::vector<std::string>{"C:\\", "Temp", "Windows"}));
    EXPECT_EQ(system.changes, (std::vector<std::string>{"C:\\Windows", "C:\\Windows\\System32", "C:\\"}));
    EXPECT_EQ(picker.changes, (std::vector<std::string>{"C:\\Windows", "C:\\Windows\\System32", "C:\\"}));
}

TEST_F(PickerLists, ADirectoryThatCannotBeEnteredLeavesEverythingAsItWas) {
    Picker picker(system);
    system.refusals["C:\\Windows\\Fonts\\Truetype"] = SystemError::FileNotFound;
    const std::vector<std::string> before = Texts(picker.list);
    try {
        picker.list.OpenEntry(4);
        FAIL() << "no failure";
    } catch (const EInOutError& failure) {
        EXPECT_EQ(FailureDisplayText(failure.what()), "Fichier introuvable.");
    }
    EXPECT_EQ(picker.list.Directory(), "C:\\Windows\\Fonts");
    EXPECT_EQ(Texts(picker.list), before);
    EXPECT_TRUE(picker.changes.empty());
}

}  // namespace
}  // namespace quibel
