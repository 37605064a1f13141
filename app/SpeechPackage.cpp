// The speech-engine step: its settings templates and the installation of the side archive.
#include "app/SpeechPackage.h"

#include <memory>

#include "app/InstallerController.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"

namespace quibel {

namespace {

// A side archive holds nothing before its marker.
constexpr std::int32_t kSideArchiveScanStart = 0;

}  // namespace

SpeechPackageInstaller::SpeechPackageInstaller(PayloadStream& stream,
                                               FileSystem& fileSystem,
                                               LineSink& log,
                                               LineSink& bannerLines)
    : stream_(stream), fileSystem_(fileSystem), log_(log), bannerLines_(bannerLines) {}

void SpeechPackageInstaller::Install(const SpeechPackagePaths& paths, const SpeechTemplate& settings) {
    // The installer's own image is no longer needed; only one package file is held at a time.
    stream_.Clear();
    stream_.Replace(fileSystem_.LoadWholeFile(paths.sideArchive));
    stream_.SetPosition(0);
    FindPayload(stream_, kSideArchiveScanStart, bannerLines_);
    // A directory that cannot be made shows up when the extraction writes into it.
    if (!fileSystem_.IsDirectory(paths.speechDirectory)) {
        ForceDirectories(fileSystem_, paths.speechDirectory);
    }
    TreeExtractor(stream_, fileSystem_, log_).ExtractTree(paths.speechDirectory);
    WriteSettingsFile(fileSystem_, paths.settingsFile, settings);
}

void WriteSettingsFile(FileSystem& fileSystem, const std::string& path, const SpeechTemplate& settings) {
    const auto content = SettingsFileContent(settings);
    fileSystem.WriteWholeFile(path, content.data(), content.size());
}

void InstallerController::PrepareSpeechTemplates() {
    FillInSpeechTemplate(lbspenginiFR, SpeechDirectory);
    FillInSpeechTemplate(lbspenginiTTL, SpeechDirectory);
}

void InstallerController::InstallSpeechPackage() {
    if (!PayloadStream) {
        PayloadStream = std::make_unique<quibel::PayloadStream>();
    }
    // FormCreate always chooses one; the two-voice template is its choice when spengTTL.maj is absent.
    const SpeechTemplate& settings = ChosenTemplate != nullptr ? *ChosenTemplate : lbspenginiFR;
    SpeechPackageInstaller(*PayloadStream, fileSystem_, view_.Log(), view_.BannerLines())
        .Install({SideArchivePath, SpeechDirectory, SettingsFilePath}, settings);
}

}  // namespace quibel
