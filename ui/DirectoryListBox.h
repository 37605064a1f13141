#pragma once
// DirectoryListBox1 (TDirectoryListBox): the path of the current directory and its subdirectories, an
// owner-drawn list box. Its directory is the process's current directory: every change goes through the system
// and is read back. After each change it writes the directory into its label, then calls OnChange.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/PickerControl.h"
#include "ui/PickerIcons.h"
#include "ui/PickerPaths.h"
#include "ui/PickerSystem.h"
#include "ui/PickerTypeAhead.h"

namespace quibel {

class DirectoryListBox : public PickerControl {
  public:
    // The directory is the process's current directory at this point.
    explicit DirectoryListBox(PickerSystem& system = PickerSystem::Default());

    void Create(HWND parent, int id, const RECT& bounds, HFONT font);

    const std::string& Directory() const { return directory_; }
    // The drive list moved to a drive: go to that drive's current directory, unless already on that drive.
    // A refusal of the system raises EInOutError and keeps the directory, entries and label.
    void FollowDrive(char letter);
    // Enters the highlighted entry (what a double-click or Enter does); entering the current directory's entry
    // does nothing. A refusal of the system raises EInOutError and keeps the directory, entries and label.
    void OpenHighlighted();
    void OpenEntry(std::size_t index);

    // DirLabel: the label that shows the directory, written at once. A label that sizes itself to its text gets
    // the directory shortened to the list's width, any other to its own width.
    void SetDirLabel(HWND label, bool labelSizesItself);
    std::function<void()> OnChange;

    // What the list shows, for the window's tests and the keyboard.
    const std::vector<DirectoryEntry>& Entries() const { return entries_; }
    std::size_t CurrentIndex() const { return currentIndex_; }
    int Highlighted() const;

  private:
    void OnDrawItem(const DRAWITEMSTRUCT& item) override;
    void OnMeasureItem(MEASUREITEMSTRUCT& item) override;
    void OnCommand(int code) override;
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void ChangeTo(const std::string& path);
    void BuildEntries();
    void FillList();
    void NotifyChange();
    void WriteLabel();
    void OnChar(char key);
    int ItemHeight() const;

    PickerSystem& system_;
    std::string directory_;
    std::vector<DirectoryEntry> entries_;
    std::size_t currentIndex_ = 0;
    CaseRules caseRules_;
    TypeAhead typeAhead_;
    HWND label_ = nullptr;
    bool labelSizesItself_ = true;
    std::unique_ptr<PickerIcons> icons_;
};

}  // namespace quibel
