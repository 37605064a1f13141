#include "payload/EntryNameRules.h"

#include <gtest/gtest.h>

namespace quibel {
namespace {

TEST(EntryNameRules, DirectoryNames) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},
        {"\\data", true},
        {"\\data\\sounds", true},
        {"data", true},  // glued to the base's last component: lands beside the base, kept as stored packages have it
        {"\\données\\été", true},
        {"\\a.b\\c..d", true},
        {"\\.\\data", true},
        {"\\..", false},
        {"\\data\\..\\..\\x", false},
        {"\\data/../x", false},
        {"..\\x", false},
        {"\\...", false},
        {"\\. .", false},
        {"\\.. ", false},
        {"C:\\Windows", false},
        {"\\x:y", false},
        {"\\CON", false},
        {"\\con.txt", false},
        {"\\data\\Nul", false},
        {"\\aux. .", false},
        {"\\COM1", false},
        {"\\lpt9.log", false},
        {"\\COM\xB9", false},
        {"\\LPT\xB3", false},
        {"\\COM0", true},
        {"\\CONSOLE", true},
        {"\\com10", true},
    };
    for (const auto& [name, accepted] : cases) {
        EXPECT_EQ(IsAcceptedDirectoryName(name), accepted) << name;
    }
}

TEST(EntryNameRules, FileNames) {
    const std::pair<const char*, bool> cases[] = {
        {"quibel.exe", true}, {"notes été.txt", true}, {"..a", true},  {"a..", true},      {".profile", true},
        {".", false},         {"..", false},           {"...", false}, {"a\\b", false},    {"a/b", false},
        {"\\x", false},       {"c:x", false},          {"PRN", false}, {"prn.txt", false}, {"nul .txt", false},
        {"Com2.dat", false},  {"lpt\xB2", false},      {"COM", true},  {"LPT10", true},
    };
    for (const auto& [name, accepted] : cases) {
        EXPECT_EQ(IsAcceptedFileName(name), accepted) << name;
    }
}

// The console devices and control characters, refused as files and as any directory component.
TEST(EntryNameRules, ConsoleDevicesAndControlCharacters) {
    const std::pair<std::string, bool> cases[] = {
        {"CONIN$", false},
        {"conout$", false},
        {"CoNiN$.txt", false},
        {"CONOUT$ .", false},
        {"x\nFichier", false},
        {"\x1B[31m", false},
        {std::string("a\0b", 3), false},
        {"tab\there", false},
        {"\x1F", false},
        {"CONIN", true},
        {"CONOUT$$", true},
        {"\x7F del", true},
        {" space", true},
    };
    for (const auto& [name, accepted] : cases) {
        EXPECT_EQ(IsAcceptedFileName(name), accepted) << name;
        EXPECT_EQ(IsAcceptedDirectoryName("\\ok\\" + name), accepted) << name;
    }
}

}  // namespace
}  // namespace quibel
