// The subdirectory search against a real directory of the test prefix.
#include "ui/PickerSystem.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "payload/Errors.h"

namespace quibel {
namespace {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + "picker-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchDirectory() { Remove(path_); }
    const std::string& Path() const { return path_; }
    std::string Make(const std::string& name, DWORD attributes) const {
        const std::string child = path_ + "\\" + name;
        CreateDirectoryA(child.c_str(), nullptr);
        if (attributes != 0) {
            SetFileAttributesA(child.c_str(), attributes);
        }
        return child;
    }

  private:
    static void Remove(const std::string& directory) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string child = directory + "\\" + name;
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(child);
                } else {
                    DeleteFileA(child.c_str());
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(directory.c_str());
    }
    std::string path_;
};

TEST(PickerSystem, SubdirectoriesLeaveOutFilesDotsHiddenAndSystemEntries) {
    ScratchDirectory scratch;
    scratch.Make("Visible", 0);
    scratch.Make("Read only", FILE_ATTRIBUTE_READONLY);
    const std::string hidden = scratch.Make("Hidden", FILE_ATTRIBUTE_HIDDEN);
    const std::string system = scratch.Make("System", FILE_ATTRIBUTE_SYSTEM);
    ASSERT_NE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "attributes not kept here";
    ASSERT_NE(GetFileAttributesA(system.c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u) << "attributes not kept here";
    HANDLE file = CreateFileA((scratch.Path() + "\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);

    std::vector<std::string> names = PickerSystem::Default().Subdirectories(scratch.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Read only", "Visible"}));
}

TEST(PickerSystem, ChangingToAMissingDirectoryRaisesTheSystemsCode) {
    ScratchDirectory scratch;
    PickerSystem& system = PickerSystem::Default();
    const std::string before = system.CurrentDirectory();
    try {
        system.ChangeDirectory(scratch.Path() + "\\gone");
        FAIL() << "no failure";
    } catch (const EInOutError& failure) {
        EXPECT_EQ(failure.ErrorCode(), SystemError::FileNotFound);
        EXPECT_STREQ(failure.what(), "Fichier introuvable");
    }
    EXPECT_EQ(system.CurrentDirectory(), before);
    system.ChangeDirectory(scratch.Path());
    EXPECT_TRUE(PickerSystem::SamePath(system.CurrentDirectory(), scratch.Path(), false));
    system.ChangeDirectory(before);
}

}  // namespace
}  // namespace quibel
