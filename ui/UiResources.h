#pragma once
// Resource identifiers of the window (ui.rc). Kept apart from the program's own resources (manifest, version)
// and from the picker's icons, which use names.

#define IDI_QUIBEL 7000
#define IDB_QUIBEL_LOGO 7001

// Texts of the window, Windows-1252 once loaded.
#define IDS_FORM_CAPTION 7100
#define IDS_LABEL2 7101
#define IDS_LABEL8 7102
#define IDS_LABEL3 7103
#define IDS_BOUT_SUIVANT1 7104
#define IDS_LABEL1 7105
#define IDS_BOUT_INSTALLER 7106
#define IDS_BOUT_PRECEDENT3 7107
#define IDS_OK 7108
