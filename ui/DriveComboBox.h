#pragma once
// DriveComboBox1 (TDriveComboBox): the computer's drives in an owner-drawn drop-down list, read once when the
// control is created. Selecting a drive moves the linked directory list to it.

#include <windows.h>

#include <memory>
#include <vector>

#include "ui/DirectoryListBox.h"
#include "ui/PickerControl.h"
#include "ui/PickerDrives.h"
#include "ui/PickerIcons.h"
#include "ui/PickerSystem.h"

namespace quibel {

class DriveComboBox : public PickerControl {
  public:
    static constexpr int kDropDownCount = 8;

    // The drive is that of the process's current directory at this point (none for a network path).
    explicit DriveComboBox(PickerSystem& system = PickerSystem::Default());

    void Create(HWND parent, int id, const RECT& bounds, HFONT font);
    // Reads the drives; Create does it, tests may call it alone.
    void ReadDrives();

    // Selects the drive and moves the directory list to it; the letter '\0' selects none. Selecting the drive
    // already selected does nothing. A failure of the directory list is raised; the new selection stays.
    void SetDrive(char letter);
    // The selected drive's letter in lower case; '\0' for none.
    char Drive() const { return drive_; }
    int SelectedIndex() const { return selected_; }

    // DirList: the directory list that follows the drive.
    void SetDirList(DirectoryListBox* list) { dirList_ = list; }

    const std::vector<DriveEntry>& Entries() const { return entries_; }

  private:
    void OnDrawItem(const DRAWITEMSTRUCT& item) override;
    void OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnCommand(int code) override;

    void Select(int index);
    int ItemHeight() const;
    void FitDropDown();

    PickerSystem& system_;
    char drive_ = '\0';
    int selected_ = -1;
    std::vector<DriveEntry> entries_;
    DirectoryListBox* dirList_ = nullptr;
    std::unique_ptr<PickerIcons> icons_;
};

}  // namespace quibel
