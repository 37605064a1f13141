#pragma once
// The installer's logic behind its one window: the paths worked out at start-up, locating the payload in the
// installer's own file at first activation, and the steps of one installation run. It reaches the window only
// through InstallerView; failures are exceptions that the window hands to the failure display.

#include <memory>
#include <string>
#include <vector>

#include "app/InstallerView.h"
#include "app/SpeechTemplates.h"
#include "payload/FileSystem.h"
#include "payload/PackageFormat.h"
#include "payload/PayloadStream.h"

namespace quibel {

// The system facts the controller takes from the platform; a seam so that tests can substitute the installer file.
struct InstallerEnvironment {
    std::string executablePath;    // full path of the installer's own file
    std::string windowsDirectory;  // as GetWindowsDirectoryA reports it
};

class InstallerController {
  public:
    static constexpr const char* ApplicationTitle = "installateur Quibel 3";
    static constexpr const char* ProductTitle = "Quibel 4.1";

    InstallerController(InstallerView& view, FileSystem& fileSystem, InstallerEnvironment environment);

    void FormCreate();
    void FormActivate();
    void BoutInstallerClick();
    void FormDestroy();

    // State worked out by FormCreate.
    std::string WindowsDirectory;
    std::string SpeechDirectory;
    std::string SideArchivePath;
    std::string SettingsFilePath;
    const SpeechTemplate* ChosenTemplate = nullptr;
    std::unique_ptr<quibel::PayloadStream> PayloadStream;

    // The two settings templates, filled in by PrepareSpeechTemplates.
    SpeechTemplate lbspenginiFR = TwoVoiceSpeechTemplate();
    SpeechTemplate lbspenginiTTL = FourteenVoiceSpeechTemplate();

  private:
    void MovePickerToWindowsDrive();
    // The speech-engine step and the desktop shortcut (SpeechPackage.cpp, DesktopShortcut.cpp).
    void PrepareSpeechTemplates();
    void InstallSpeechPackage();
    void CreateDesktopShortcut();

    InstallerView& view_;
    FileSystem& fileSystem_;
    InstallerEnvironment environment_;
    bool activated_ = false;
};

}  // namespace quibel
