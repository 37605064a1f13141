#pragma once
// The installer program's own texts (its titles are InstallerController's constants): the closing lines of a run,
// the completion message and the names worked out at start-up.

#include <string>

namespace quibel::Texts {

inline const std::string InstallationFinished = "Installation terminée";
inline const std::string CreatingDesktopShortcut = "Création d'un raccourci sur le bureau";

// Start-up: where the speech engine goes and which side archive is used.
inline const std::string SpeechDirectorySuffix = ":\\speng";
inline const std::string SideArchiveTTL = "spengTTL.maj";
inline const std::string SideArchiveFR = "spengFR.maj";
inline const std::string SettingsFileName = "speng.ini";

}  // namespace quibel::Texts
