#include "ui/DirectoryListBox.h"

#include <algorithm>

#include "ui/Gdi.h"

namespace quibel {

namespace {

constexpr DWORD kListStyle = LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;

}  // namespace

DirectoryListBox::DirectoryListBox(PickerSystem& system) : system_(system), directory_(system.CurrentDirectory()) {
    BuildEntries();
}

void DirectoryListBox::Create(HWND parent, int id, const RECT& bounds, HFONT font) {
    icons_ = std::make_unique<PickerIcons>();
    CreateControl(parent, id, "LISTBOX", kListStyle, bounds, font);
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, ItemHeight());
    // The entries were built when the list was made, in the same directory: listing it again would make a slow
    // network share wait twice.
    FillList();
}

int DirectoryListBox::ItemHeight() const {
    const int iconHeight = icons_ ? (*icons_)[PickerIcon::OpenFolder].Height() + 1 : 16;
    return std::max(FontHeight(), iconHeight);
}

void DirectoryListBox::SetDirLabel(HWND label, bool labelSizesItself) {
    label_ = label;
    labelSizesItself_ = labelSizesItself;
    WriteLabel();
}

int DirectoryListBox::Highlighted() const {
    return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
}

void DirectoryListBox::FollowDrive(char letter) {
    if (!directory_.empty() && letter != '\0' && SameLetter(letter, directory_[0])) {
        return;
    }
    if (letter != '\0') {
        // The bare designator: the system goes to the directory it keeps as that drive's current one.
        system_.ChangeDirectory(std::string(1, letter) + ":");
        directory_ = system_.CurrentDirectory();
    }
    BuildEntries();
    NotifyChange();
}

void DirectoryListBox::OpenHighlighted() {
    const int highlighted = Highlighted();
    if (highlighted >= 0) {
        OpenEntry(static_cast<std::size_t>(highlighted));
    }
}

void DirectoryListBox::OpenEntry(std::size_t index) {
    if (index >= entries_.size()) {
        return;
    }
    const std::string path = EntryPath(directory_, entries_, currentIndex_, index);
    if (PickerSystem::SamePath(path, directory_, caseRules_.caseSensitive)) {
        return;
    }
    ChangeTo(path);
}

void DirectoryListBox::ChangeTo(const std::string& path) {
    system_.ChangeDirectory(path);
    directory_ = system_.CurrentDirectory();
    BuildEntries();
    NotifyChange();
}

void DirectoryListBox::BuildEntries() {
    caseRules_ = system_.VolumeCaseRules(RootOf(directory_));
    entries_ = PathEntries(directory_);
    currentIndex_ = entries_.size() - 1;
    for (std::string& name : SortedUniqueNames(system_.Subdirectories(directory_), &PickerSystem::CompareNames,
                                               &PickerSystem::FileNameKey)) {
        entries_.push_back({std::move(name), FolderIcon::Closed});
    }
    FillList();
}

void DirectoryListBox::FillList() {
    if (Handle() == nullptr) {
        return;
    }
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
    for (const DirectoryEntry& entry : entries_) {
        SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
    }
    SendMessageA(Handle(), LB_SETCURSEL, currentIndex_, 0);
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void DirectoryListBox::NotifyChange() {
    // The label first: OnChange may write its own text into it, and that one must stay.
    WriteLabel();
    if (OnChange) {
        OnChange();
    }
}

void DirectoryListBox::WriteLabel() {
    if (label_ == nullptr) {
        return;
    }
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(label_, WM_GETFONT, 0, 0));
    RECT box{};
    GetClientRect(labelSizesItself_ && Handle() != nullptr ? Handle() : label_, &box);
    const std::string text = ShortenPath(directory_, box.right - box.left, [font](const std::string& s) {
        return static_cast<int>(TextExtent(font, s).cx);
    });
    SetWindowTextA(label_, text.c_str());
}

void DirectoryListBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= entries_.size()) {
        return;
    }
    const DirectoryEntry& entry = entries_[item.itemID];
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);

    const PickerBitmap& icon = (*icons_)[FolderBitmap(entry.icon)];
    const int indent = EntryIndent(directory_, currentIndex_, item.itemID);
    const int itemHeight = item.rcItem.bottom - item.rcItem.top;
    icon.Draw(dc, item.rcItem.left + indent, item.rcItem.top + (itemHeight - icon.Height()) / 2);

    // A volume that neither keeps nor tells case apart has its names shown in lower case.
    const bool lower = !caseRules_.casePreserved && !caseRules_.caseSensitive;
    const std::string text = lower ? PickerSystem::LowerCase(entry.text) : entry.text;
    RECT textBox = item.rcItem;
    textBox.left += icon.Width() + indent + 4;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textBox, DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    if ((item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(dc, &item.rcItem);
    }
}

void DirectoryListBox::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    item.itemHeight = 16;
}

void DirectoryListBox::OnCommand(int code) {
    if (code == LBN_DBLCLK) {
        Guarded([this] { OpenHighlighted(); });
    }
}

void DirectoryListBox::OnChar(char key) {
    std::vector<std::string> texts;
    texts.reserve(entries_.size());
    for (const DirectoryEntry& entry : entries_) {
        texts.push_back(entry.text);
    }
    const int found = FindByPrefix(texts, typeAhead_.Key(key, GetTickCount()), &PickerSystem::LowerCase);
    if (found >= 0) {
        SendMessageA(Handle(), LB_SETCURSEL, found, 0);
    }
}

bool DirectoryListBox::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Enter opens the highlighted entry; a dialog manager must not take it for a default button.
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            result = DLGC_WANTARROWS | DLGC_WANTCHARS;
            if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
                result |= DLGC_WANTMESSAGE;
            }
            return true;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                Guarded([this] { OpenHighlighted(); });
                result = 0;
                return true;
            }
            return false;
        case WM_CHAR:
            if (wParam == VK_RETURN) {
                result = 0;
                return true;
            }
            if (wParam == TypeAhead::kBackspace || wParam >= ' ') {
                OnChar(static_cast<char>(wParam));
                result = 0;
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace quibel
