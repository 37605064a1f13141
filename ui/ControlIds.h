#pragma once
// Control identifiers of the installer window (GetDlgCtrlID): they let the window route its children's
// notifications, and tests and accessibility tools find each control.

namespace quibel {

enum ControlId : int {
    LabelRepId = 1001,
    Label2Id,
    Image1Id,
    Label7Id,
    Label8Id,
    Panel3Id,
    Panel1Id,
    Label3Id,
    DirectoryListBox1Id,
    DriveComboBox1Id,
    BoutSuivant1Id,
    Label1Id,
    BoutInstallerId,
    Memo1Id,
    BoutPrecedent3Id,
};

inline constexpr const char* Form1ClassName = "TForm1";
inline constexpr const char* PanelClassName = "TPanel";
inline constexpr const char* MessageDialogClassName = "QuibelMessageDialog";

}  // namespace quibel
