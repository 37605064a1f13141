// The window's drive and directory picker: DirectoryListBox1 and DriveComboBox1, linked as the window needs
// them (the drive list to the directory list, the directory list to LabelRep and DirectoryListBox1Change).
#include <memory>

#include "ui/DirectoryListBox.h"
#include "ui/DirectoryPicker.h"
#include "ui/DriveComboBox.h"

namespace quibel {

namespace {

class PickerForWindow final : public DirectoryPicker {
  public:
    void Create(const PickerPlacement& placement) override {
        directoryList_.SetFailureHandler(placement.onFailure);
        driveList_.SetFailureHandler(placement.onFailure);
        directoryList_.OnChange = placement.onChange;
        driveList_.SetDirList(&directoryList_);
        directoryList_.Create(placement.parent, placement.directoryListId, placement.directoryList, placement.font);
        driveList_.Create(placement.parent, placement.driveListId, placement.driveList, placement.font);
        // The label link writes the directory into LabelRep at once, shortened to the list's width (LabelRep
        // sizes itself to its text).
        directoryList_.SetDirLabel(placement.directoryLabel, true);
    }

    HWND DirectoryListWindow() const override { return directoryList_.Handle(); }
    HWND DriveListWindow() const override { return driveList_.Handle(); }
    std::string Directory() const override { return directoryList_.Directory(); }
    void SetDrive(char letter) override { driveList_.SetDrive(letter); }
    char Drive() const override { return driveList_.Drive(); }

    // Both controls hook the page themselves and take their notifications before it sees them.
    std::optional<LRESULT> OnParentMessage(UINT, WPARAM, LPARAM) override { return std::nullopt; }

  private:
    DirectoryListBox directoryList_;
    DriveComboBox driveList_;
};

}  // namespace

std::unique_ptr<DirectoryPicker> MakeDirectoryPicker() {
    return std::make_unique<PickerForWindow>();
}

}  // namespace quibel
