#pragma once
// The speech-engine step: the side archive's tree extracted into the speech-engine directory, then the engine's
// settings file written.

#include <string>

#include "app/SpeechTemplates.h"
#include "payload/FileSystem.h"
#include "payload/LineSink.h"
#include "payload/PayloadStream.h"

namespace quibel {

struct SpeechPackagePaths {
    std::string sideArchive;      // the package file: spengTTL.maj or spengFR.maj beside the installer
    std::string speechDirectory;  // where its tree goes: c:\speng
    std::string settingsFile;     // the Windows directory's speng.ini
};

class SpeechPackageInstaller {
  public:
    // stream is the controller's one package stream; the side archive takes the place of what it held.
    SpeechPackageInstaller(PayloadStream& stream, FileSystem& fileSystem, LineSink& log, LineSink& bannerLines);

    // Loads the side archive, extracts its tree into the speech directory (made with any missing parents) and
    // writes the settings template, already filled in, to the settings file. A failure ends the step at once:
    // the settings file is written only after a complete extraction. The stream keeps the side archive (nothing
    // when it could not be opened).
    void Install(const SpeechPackagePaths& paths, const SpeechTemplate& settings);

  private:
    PayloadStream& stream_;
    FileSystem& fileSystem_;
    LineSink& log_;
    LineSink& bannerLines_;
};

// Creates the file anew with the template's lines, each ended by CR LF. EFCreateError or EWriteError.
void WriteSettingsFile(FileSystem& fileSystem, const std::string& path, const SpeechTemplate& settings);

}  // namespace quibel
