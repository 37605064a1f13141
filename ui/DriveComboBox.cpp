#include "ui/DriveComboBox.h"

#include <algorithm>

#include "ui/PickerPaths.h"

namespace quibel {

namespace {

constexpr DWORD kComboStyle = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL;

char LowerLetter(char letter) {
    return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
}

}  // namespace

DriveComboBox::DriveComboBox(PickerSystem& system) : system_(system) {
    const std::string directory = system_.CurrentDirectory();
    if (!directory.empty() && !IsNetworkPath(directory)) {
        drive_ = LowerLetter(directory[0]);
    }
}

void DriveComboBox::Create(HWND parent, int id, const RECT& bounds, HFONT font) {
    icons_ = std::make_unique<PickerIcons>();
    CreateControl(parent, id, "COMBOBOX", kComboStyle, bounds, font);
    const int itemHeight = ItemHeight();
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, itemHeight);
    ReadDrives();
    for (const DriveEntry& entry : entries_) {
        SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
    }
    Select(selected_);
    FitDropDown();
}

void DriveComboBox::ReadDrives() {
    entries_ = system_.Drives();
    selected_ = drive_ != '\0' ? FindDriveEntry(entries_, drive_) : -1;
}

void DriveComboBox::Select(int index) {
    selected_ = index;
    if (Handle() != nullptr) {
        SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

int DriveComboBox::ItemHeight() const {
    const int iconHeight = icons_ ? (*icons_)[PickerIcon::Floppy].Height() : 11;
    return std::max(FontHeight(), iconHeight);
}

// The drop-down part of a combo box is as high as the window minus its selection field: room for at most eight
// entries, the list scrolls for more.
void DriveComboBox::FitDropDown() {
    RECT window{};
    GetWindowRect(Handle(), &window);
    const int fieldHeight = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int shown = std::clamp(static_cast<int>(entries_.size()), 1, kDropDownCount);
    const int height = fieldHeight + 8 + shown * ItemHeight() + 2;
    SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DriveComboBox::SetDrive(char letter) {
    if (SelectedIndex() >= 0 && letter != '\0' && drive_ != '\0' && SameLetter(letter, drive_)) {
        return;
    }
    if (letter == '\0') {
        drive_ = '\0';
        Select(-1);
    } else {
        drive_ = LowerLetter(letter);
        const int entry = FindDriveEntry(entries_, letter);
        if (entry >= 0) {
            Select(entry);
        }
    }
    if (dirList_ != nullptr) {
        dirList_->FollowDrive(drive_);
    }
}

void DriveComboBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= entries_.size()) {
        return;
    }
    const DriveEntry& entry = entries_[item.itemID];
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    const PickerBitmap& icon = (*icons_)[DriveIcon(entry.kind)];
    const int itemHeight = item.rcItem.bottom - item.rcItem.top;
    icon.Draw(dc, item.rcItem.left + 2, item.rcItem.top + (itemHeight - icon.Height()) / 2);
    RECT textBox = item.rcItem;
    textBox.left += icon.Width() + 6;
    // "&" is a plain character in a drive's label.
    DrawTextA(dc, entry.text.c_str(), static_cast<int>(entry.text.size()), &textBox,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if ((item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(dc, &item.rcItem);
    }
}

void DriveComboBox::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    item.itemHeight = 13;
}

void DriveComboBox::OnCommand(int code) {
    if (code != CBN_SELCHANGE) {
        return;
    }
    // The user moved the selection: the new entry is selected, the drive is still the previous one.
    const int selected = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
    if (selected >= 0 && static_cast<std::size_t>(selected) < entries_.size()) {
        selected_ = selected;
        const char letter = entries_[static_cast<std::size_t>(selected)].text[0];
        Guarded([this, letter] { SetDrive(letter); });
    }
}

}  // namespace quibel
