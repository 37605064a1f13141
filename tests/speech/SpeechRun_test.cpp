// Installation runs of the controller with side archives beside the installer: which archive and template are
// used, where the speech engine's lines fall in the log, and what a damaged archive leaves behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <filesystem>

#include "app/InstallerController.h"
#include "payload/Errors.h"
#include "payload/PackageFormat.h"
#include "platform/NativeFileSystem.h"
#include "tests/speech/RecordingView.h"
#include "tests/speech/TestFiles.h"
#include "tests/support/PackageBytes.h"

namespace quibel {
namespace {

using testing::BytesOf;
using testing::PackageBytes;
using testing::ReadBytes;
using testing::ScratchDirectory;

// Decoded size 1; a length-code list that gives one symbol the length 1 (an incomplete code).
const std::vector<std::uint8_t> kCorruptBlock = {1, 0, 0, 0, 0x00, 0x01, 0x09};
// The engine goes onto the Windows directory's drive; the prefix's Windows directory is on C:.
const std::string kSpeechDirectory = "c:\\speng";

// A side archive whose tree is one directory, named after the test so that runs do not share files in c:\speng.
std::vector<std::uint8_t> SideArchive(const std::string& directory, const std::string& voice) {
    PackageBytes archive;
    archive.Header({"voix"}).Directory("").Directory("\\" + directory).File(voice + ".dat", BytesOf(voice));
    return archive.bytes;
}

// An installer whose scratch directory holds its executable, the Windows directory and the picked directory.
struct InstallerRun {
    explicit InstallerRun(const std::string& name) : name(name), view(scratch.Path()) {
        std::filesystem::create_directories(scratch / "setup");
        std::filesystem::create_directories(scratch / "windows");
        std::filesystem::remove_all(kSpeechDirectory + "\\" + name);
        PackageBytes installer;
        installer.Zeros(PayloadScanStart).Header({"Quibel 4.1"}).Directory("").File("quibel.exe", BytesOf("MZ"));
        testing::WriteBytes(Executable(), installer.bytes);
    }
    ~InstallerRun() {
        std::error_code ignored;
        std::filesystem::remove_all(kSpeechDirectory + "\\" + name, ignored);
    }
    std::string Executable() const { return scratch / "setup\\quibel-setup.exe"; }
    std::string Beside(const std::string& file) const { return scratch / ("setup\\" + file); }
    std::string SettingsFile() const { return scratch / "windows\\speng.ini"; }

    void Start() {
        controller = std::make_unique<InstallerController>(view, *fileSystem,
                                                           InstallerEnvironment{Executable(), scratch / "windows"});
        controller->FormCreate();
        controller->FormActivate();
    }
    std::vector<std::string> SettingsLines() const {
        const auto bytes = ReadBytes(SettingsFile());
        std::vector<std::string> lines;
        if (!bytes) {
            return lines;
        }
        const std::string text(bytes->begin(), bytes->end());
        for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    struct Com {
        Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
        ~Com() { CoUninitialize(); }
    } com;
    std::string name;
    ScratchDirectory scratch;
    testing::RecordingView view;
    std::unique_ptr<FileSystem> fileSystem = MakeNativeFileSystem();
    std::unique_ptr<InstallerController> controller;
};

TEST(SpeechRun, TwoVoiceArchiveIsExtractedAfterTheClosingLinesAndItsSettingsWritten) {
    InstallerRun run("run-fr");
    const auto archive = SideArchive(run.name, "ROBERT16");
    testing::WriteBytes(run.Beside("spengFR.maj"), archive);
    run.Start();
    run.controller->BoutInstallerClick();

    const std::string installDirectory = run.scratch / "Quibel";
    const auto voiceBlock = testing::LiteralBlock(BytesOf("ROBERT16")).size() + 4;
    EXPECT_EQ(
        run.view.log.lines,
        (std::vector<std::string>{
            "Répertoire " + installDirectory,
            "Fichier " + installDirectory +
                "\\quibel.exe taille :" + std::to_string(testing::LiteralBlock(BytesOf("MZ")).size() + 4) + "->2",
            "Installation terminée",
            "Création d'un raccourci sur le bureau",
            "Répertoire " + kSpeechDirectory,
            "Répertoire " + kSpeechDirectory + "\\run-fr",
            "Fichier " + kSpeechDirectory + "\\run-fr\\ROBERT16.dat taille :" + std::to_string(voiceBlock) + "->8",
        }));
    EXPECT_EQ(ReadBytes(kSpeechDirectory + "\\run-fr\\ROBERT16.dat"), BytesOf("ROBERT16"));
    EXPECT_EQ(ReadBytes(run.SettingsFile())->size(), 324u);
    const auto lines = run.SettingsLines();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[1], "Main=c:\\speng\\bin");
    EXPECT_EQ(lines[12], "CustomCmdLine=/d \"c:\\speng\\bin\\data\\ROBERT16.dat\"");
    EXPECT_EQ(run.view.banner.lines, (std::vector<std::string>{"Quibel 4.1", "voix"}));
    EXPECT_EQ(run.view.messages, (std::vector<std::string>{"Installation terminée"}));
    EXPECT_TRUE(run.view.closed);
    EXPECT_EQ(run.controller->PayloadStream->Bytes(), archive);
}

TEST(SpeechRun, FourteenVoiceArchiveWinsOverTheTwoVoiceOne) {
    InstallerRun run("run-ttl");
    testing::WriteBytes(run.Beside("spengFR.maj"), SideArchive(run.name, "CATHY16"));
    testing::WriteBytes(run.Beside("spengTTL.maj"), SideArchive(run.name, "SOFIA16"));
    run.Start();
    run.controller->BoutInstallerClick();

    EXPECT_EQ(ReadBytes(run.SettingsFile())->size(), 1219u);
    EXPECT_EQ(run.SettingsLines().at(53), "CustomCmdLine=/d \"c:\\speng\\bin\\data\\SOFIA16.dat\"");
    EXPECT_TRUE(testing::Exists(kSpeechDirectory + "\\run-ttl\\SOFIA16.dat"));
    EXPECT_FALSE(testing::Exists(kSpeechDirectory + "\\run-ttl\\CATHY16.dat"));
}

TEST(SpeechRun, WithoutSideArchiveNothingIsSaidAndNoSettingsFileWritten) {
    const struct {
        const char* name;
        bool ttlAtStart;  // spengTTL.maj present at start-up, removed before the run
    } cases[] = {{"run-none", false}, {"run-ttl-gone", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerRun run(c.name);
        if (c.ttlAtStart) {
            testing::WriteBytes(run.Beside("spengTTL.maj"), SideArchive(run.name, "SOFIA16"));
            testing::WriteBytes(run.Beside("spengFR.maj"), SideArchive(run.name, "CATHY16"));
        }
        run.Start();
        DeleteFileA(run.Beside("spengTTL.maj").c_str());
        run.controller->BoutInstallerClick();

        EXPECT_EQ(run.view.log.lines.back(), "Création d'un raccourci sur le bureau");
        EXPECT_FALSE(testing::Exists(run.SettingsFile()));
        EXPECT_FALSE(testing::Exists(kSpeechDirectory + "\\" + c.name));
        EXPECT_EQ(run.view.messages, (std::vector<std::string>{"Installation terminée"}));
    }
}

TEST(SpeechRun, DamagedArchiveEndsTheRunWithoutSettingsFile) {
    InstallerRun run("run-damaged");
    PackageBytes archive;
    archive.Header().Directory("").Directory("\\run-damaged").FileWithBlock("casse.dat", kCorruptBlock);
    testing::WriteBytes(run.Beside("spengFR.maj"), archive.bytes);
    run.Start();

    try {
        run.controller->BoutInstallerClick();
        FAIL() << "no failure";
    } catch (const ECorruptFile& failure) {
        EXPECT_STREQ(failure.what(), "Compressed file is corrupt");
    }
    EXPECT_FALSE(testing::Exists(run.SettingsFile()));
    EXPECT_TRUE(run.view.messages.empty());
    EXPECT_FALSE(run.view.closed);
    EXPECT_EQ(run.controller->PayloadStream->Bytes(), archive.bytes);
}

}  // namespace
}  // namespace quibel
