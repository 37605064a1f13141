#include "app/InstallerController.h"

#include "app/EventHandler.h"
#include "app/InstallerTexts.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"

namespace quibel {

namespace {

// The directory part of a path, with its trailing separator ("E:\setup\" for "E:\setup\quibel-setup.exe").
std::string DirectoryWithSeparator(const std::string& path) {
    const auto separator = path.find_last_of("\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

InstallerController::InstallerController(InstallerView& view, FileSystem& fileSystem, InstallerEnvironment environment)
    : view_(view), fileSystem_(fileSystem), environment_(std::move(environment)) {}

void InstallerController::FormCreate() {
    // First: whatever fails after it, activation, a run and shut-down find the stream.
    PayloadStream = std::make_unique<quibel::PayloadStream>();
    view_.SetTitleLabel(ProductTitle);
    WindowsDirectory = environment_.windowsDirectory;
    MovePickerToWindowsDrive();
    SpeechDirectory = std::string(1, view_.Drive()) + Texts::SpeechDirectorySuffix;
    PrepareSpeechTemplates();

    const std::string ownDirectory = DirectoryWithSeparator(environment_.executablePath);
    if (fileSystem_.IsFile(ownDirectory + Texts::SideArchiveTTL)) {
        SideArchivePath = ownDirectory + Texts::SideArchiveTTL;
        ChosenTemplate = &lbspenginiTTL;
    } else {
        SideArchivePath = ownDirectory + Texts::SideArchiveFR;
        ChosenTemplate = &lbspenginiFR;
    }
    SettingsFilePath = WindowsDirectory + "\\" + Texts::SettingsFileName;
}

void InstallerController::MovePickerToWindowsDrive() {
    if (WindowsDirectory.empty()) {
        return;
    }
    // The drive part of C:\WINDOWS is C:; the picker takes its letter and hands it back in lower case. When the
    // picker can't follow (the drive's remembered directory is gone, or longer than a path may be), the failure is
    // shown and start-up goes on: the steps after this one set the speech directory, the templates and the side
    // archive, without which a later run would install the product and skip the speech engine without a word.
    // The picker stays where it was, and the install-directory label follows it.
    RunEventHandler([this] { view_.SetDrive(WindowsDirectory[0]); },
                    [this](const std::string& text) { view_.ShowFailureDisplay(text); });
}

void InstallerController::FormActivate() {
    // Only the first activation counts: message boxes and switching back from another program activate the
    // window again, and a second load would put the read position back at the first entry.
    if (activated_) {
        return;
    }
    activated_ = true;
    view_.DirectoryListBox1Change();
    PayloadStream->Replace(fileSystem_.LoadWholeFile(environment_.executablePath));
    FindPayload(*PayloadStream, PayloadScanStart, view_.BannerLines());
}

void InstallerController::BoutInstallerClick() {
    view_.DisableBackButton();
    const std::string installDirectory = view_.InstallDirectory();
    if (!fileSystem_.IsDirectory(installDirectory)) {
        // A directory that cannot be made shows up when the tree's first entry is created in it.
        ForceDirectories(fileSystem_, installDirectory);
    }
    view_.ClearLog();
    // The walk goes on from wherever the read position stands: the first entry after activation, or where a
    // failed run stopped.
    TreeExtractor(*PayloadStream, fileSystem_, view_.Log()).ExtractTree(installDirectory);
    view_.Log().AppendLine(Texts::InstallationFinished);
    view_.Log().AppendLine(Texts::CreatingDesktopShortcut);
    CreateDesktopShortcut();
    if (fileSystem_.IsFile(SideArchivePath)) {
        InstallSpeechPackage();
    }
    view_.ShowMessage(Texts::InstallationFinished);
    view_.Close();
}

void InstallerController::FormDestroy() {
    PayloadStream.reset();
}

}  // namespace quibel
