#pragma once
// The drive and directory picker as the window sees it: the directory list and the drive list on the directory
// page, the directory list's current directory, the drive by its letter, and a notification after each change
// of directory that comes after the picker has written into its label.

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quibel {

struct PickerPlacement {
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;  // the directory page; its children's notifications reach OnParentMessage
    HFONT font = nullptr;   // the window font
    RECT directoryList{};   // scaled bounds in the page's client area
    int directoryListId = 0;
    RECT driveList{};
    int driveListId = 0;
    HWND directoryLabel = nullptr;   // LabelRep
    std::function<void()> onChange;  // DirectoryListBox1Change
    // The window's failure display, for failures caught while a control handles the user's action itself.
    std::function<void(const std::exception&)> onFailure;
};

class DirectoryPicker {
  public:
    virtual ~DirectoryPicker() = default;

    // Creates both controls, the directory list first (it comes first in tab order).
    virtual void Create(const PickerPlacement& placement) = 0;
    virtual HWND DirectoryListWindow() const = 0;
    virtual HWND DriveListWindow() const = 0;

    // The current directory: a drive root with its "\" (C:\), any other directory without one.
    virtual std::string Directory() const = 0;
    // Selects a drive; the directory list follows it. A refused change of directory raises EInOutError.
    virtual void SetDrive(char letter) = 0;
    // The selected drive's letter, in lower case.
    virtual char Drive() const = 0;

    // A message the directory page received about one of the picker's controls (WM_COMMAND, WM_DRAWITEM,
    // WM_MEASUREITEM, WM_CTLCOLOR*, ...), also while the controls are being created. Returns the result when
    // the picker handled it. Failures propagate to the window's failure display.
    virtual std::optional<LRESULT> OnParentMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

std::unique_ptr<DirectoryPicker> MakeDirectoryPicker();

}  // namespace quibel
