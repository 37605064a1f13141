// The speech-engine step: its settings templates and the installation of the side archive.
#include "app/InstallerController.h"

namespace quibel {

void InstallerController::PrepareSpeechTemplates() {}

void InstallerController::InstallSpeechPackage() {}

}  // namespace quibel
