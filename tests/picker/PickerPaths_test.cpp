#include "ui/PickerPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/PickerSystem.h"

namespace quibel {
namespace {

struct PathEntriesCase {
    std::string directory;
    std::vector<std::pair<std::string, FolderIcon>> expected;
};

TEST(PickerPaths, PathEntriesOfRootsDeepDirectoriesAndShares) {
    const PathEntriesCase cases[] = {
        {"C:\\", {{"C:\\", FolderIcon::Current}}},
        {"C:\\Windows", {{"C:\\", FolderIcon::Open}, {"Windows", FolderIcon::Current}}},
        {"C:\\Windows\\Fonts",
         {{"C:\\", FolderIcon::Open}, {"Windows", FolderIcon::Open}, {"Fonts", FolderIcon::Current}}},
        {"\\\\srv\\share\\dir\\sub",
         {{"\\\\srv\\share\\", FolderIcon::Open}, {"dir", FolderIcon::Open}, {"sub", FolderIcon::Current}}},
        {"\\\\srv\\share\\", {{"\\\\srv\\share\\", FolderIcon::Current}}},
    };
    for (const PathEntriesCase& c : cases) {
        const std::vector<DirectoryEntry> entries = PathEntries(c.directory);
        ASSERT_EQ(entries.size(), c.expected.size()) << c.directory;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].text, c.expected[i].first) << c.directory << " entry " << i;
            EXPECT_EQ(entries[i].icon, c.expected[i].second) << c.directory << " entry " << i;
        }
    }
}

std::vector<DirectoryEntry> WithSubdirectories(const std::string& directory, std::vector<std::string> names) {
    std::vector<DirectoryEntry> entries = PathEntries(directory);
    for (std::string& name : names) {
        entries.push_back({std::move(name), FolderIcon::Closed});
    }
    return entries;
}

TEST(PickerPaths, EachEntryStandsForItsPath) {
    struct Case {
        std::string directory;
        std::size_t index;
        std::string path;
    };
    const Case cases[] = {
        {"C:\\Windows\\Fonts", 0, "C:\\"},
        {"C:\\Windows\\Fonts", 1, "C:\\Windows"},
        {"C:\\Windows\\Fonts", 2, "C:\\Windows\\Fonts"},
        {"C:\\Windows\\Fonts", 3, "C:\\Windows\\Fonts\\Truetype"},
        {"C:\\", 0, "C:\\"},
        {"C:\\", 1, "C:\\Truetype"},
        {"C:\\A\\B\\C\\D", 3, "C:\\A\\B\\C"},
        {"\\\\srv\\share\\dir\\sub", 0, "\\\\srv\\share\\"},
        {"\\\\srv\\share\\dir\\sub", 1, "\\\\srv\\share\\dir"},
        {"\\\\srv\\share\\dir\\sub", 3, "\\\\srv\\share\\dir\\sub\\Truetype"},
    };
    for (const Case& c : cases) {
        const std::vector<DirectoryEntry> entries = WithSubdirectories(c.directory, {"Truetype"});
        const std::size_t current = PathEntries(c.directory).size() - 1;
        EXPECT_EQ(EntryPath(c.directory, entries, current, c.index), c.path) << c.directory << " entry " << c.index;
    }
}

TEST(PickerPaths, IndentsStepWithDepth) {
    const std::string deep = "C:\\Windows\\Fonts";
    EXPECT_EQ(EntryIndent(deep, 2, 0), 2);
    EXPECT_EQ(EntryIndent(deep, 2, 1), 6);
    EXPECT_EQ(EntryIndent(deep, 2, 2), 10);
    EXPECT_EQ(EntryIndent(deep, 2, 3), 14);  // two separators in the path
    EXPECT_EQ(EntryIndent(deep, 2, 7), 14);
    EXPECT_EQ(EntryIndent("C:\\", 0, 0), 2);
    EXPECT_EQ(EntryIndent("C:\\", 0, 1), 10);
}

TEST(PickerPaths, SearchPatternAndChildPathHaveNoDoubledSeparatorAfterRoot) {
    EXPECT_EQ(SubdirectoryPattern("C:\\"), "C:\\*.*");
    EXPECT_EQ(SubdirectoryPattern("C:\\Temp"), "C:\\Temp\\*.*");
    EXPECT_EQ(ChildPath("D:\\", "Jeux"), "D:\\Jeux");
    EXPECT_EQ(RootOf("d:\\Jeux\\Ecole"), "d:\\");
    EXPECT_EQ(DrivePart("\\\\srv\\share"), "\\\\srv\\share");
}

TEST(PickerPaths, ShorteningDropsLeadingDirectoriesThenTheDrive) {
    // Dots cost nothing here, so that every stage of the cutting fits some width.
    const auto withoutDots = [](const std::string& text) {
        return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return c != '.'; }));
    };
    const std::string path = "C:\\A\\B\\C\\name";
    struct Case {
        int width;
        std::string expected;
    };
    const Case cases[] = {
        {100, path},
        {13, path},
        {12, "C:\\...\\B\\C\\name"},
        {10, "C:\\...\\C\\name"},
        {9, "C:\\...\\name"},
        {8, "C:\\...\\name"},
        {7, "...\\name"},
        {5, "...\\name"},
        {4, "name"},
        {0, "name"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortenPath(path, c.width, withoutDots), c.expected) << "width " << c.width;
    }
}

TEST(PickerPaths, ShorteningGoesOnUntilTheTextFits) {
    const auto characters = [](const std::string& text) { return static_cast<int>(text.size()); };
    // "C:\...\B\C\name" is wider than the path it replaces: the cutting goes on to the next stage.
    EXPECT_EQ(ShortenPath("C:\\A\\B\\C\\name", 12, characters), "C:\\...\\name");
    EXPECT_EQ(ShortenPath("\\\\srv\\share\\dir", 10, characters), "\\...\\dir");
    EXPECT_EQ(ShortenPath("C:\\Quibel", 9, characters), "C:\\Quibel");
    EXPECT_EQ(ShortenPath("C:\\Quibel", 8, characters), "C:Quibel");
    EXPECT_EQ(ShortenPath("C:\\Quibel", 7, characters), "Quibel");
}

TEST(PickerPaths, SubdirectoriesSortIgnoringCaseAndAppearOnce) {
    const std::vector<std::string> sorted = SortedUniqueNames(
        {"zebra", "beta", "Alpha", "ALPHA", "Zeta", "alpha2", "BETA", "gamma", "\xC9t\xE9", "\xE9T\xC9"},
        &PickerSystem::CompareNames, &PickerSystem::FileNameKey);
    // Case-insensitive: "zebra" before "Zeta"; of two names equal but for case the first one found stays.
    const std::vector<std::string> expected = {"Alpha", "alpha2", "beta", "\xC9t\xE9", "gamma", "zebra", "Zeta"};
    EXPECT_EQ(sorted, expected);
}

// Two names that the locale's collation takes for one, though the file system keeps them apart (a soft hyphen
// is ignored in sorting), are two directories that can be chosen: both are listed.
TEST(PickerPaths, NamesEqualOnlyInCollationBothAppear) {
    ASSERT_EQ(PickerSystem::CompareNames("ab",
                                         "a\xAD"
                                         "b"),
              0)
        << "the collation ignores the soft hyphen";
    const std::vector<std::string> sorted = SortedUniqueNames({"a\xAD"
                                                               "b",
                                                               "AB", "ab", "c"},
                                                              &PickerSystem::CompareNames, &PickerSystem::FileNameKey);
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(std::count(sorted.begin(), sorted.end(),
                         "a\xAD"
                         "b"),
              1);
    EXPECT_EQ(std::count(sorted.begin(), sorted.end(), "AB"), 1);
    EXPECT_EQ(sorted.back(), "c");
}

}  // namespace
}  // namespace quibel
