#include "app/SpeechPackage.h"

#include <gtest/gtest.h>

#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "platform/Win32System.h"
#include "tests/speech/TestFiles.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"

namespace quibel {
namespace {

using testing::BytesOf;
using testing::PackageBytes;
using testing::ReadBytes;
using testing::RecordedLines;
using testing::ScratchDirectory;

// Decoded size 1; a length-code list that gives one symbol the length 1 (an incomplete code).
const std::vector<std::uint8_t> kCorruptBlock = {1, 0, 0, 0, 0x00, 0x01, 0x09};

const auto kEngine = BytesOf(std::string("MZ moteur\0\x01\xFF", 12));
const auto kVoice = std::vector<std::uint8_t>(70000, 0x5A);

// A side archive as the engine's supplier makes it: banner, the engine in bin, a voice in bin\data.
PackageBytes EngineArchive() {
    PackageBytes archive;
    archive.Header({"moteur vocal", "2 voix"})
        .Directory("")
        .File("lisezmoi.txt", BytesOf("voix\r\n"))
        .Directory("\\bin")
        .File("speng.exe", kEngine)
        .Directory("\\bin\\data")
        .File("ROBERT16.dat", kVoice);
    return archive;
}

SpeechTemplate FilledTemplate(const std::string& directory) {
    SpeechTemplate lines = TwoVoiceSpeechTemplate();
    FillInSpeechTemplate(lines, directory);
    return lines;
}

// One speech-engine step against the real file system, in a scratch directory that stands for the installer's
// directory, the Windows directory and the Windows drive at once.
struct SpeechStep {
    SpeechStep() : paths{scratch / "spengFR.maj", scratch / "speng", scratch / "speng.ini"} {
        stream.Replace(BytesOf("the installer's own image"));
        stream.SetPosition(5);
    }
    void Run(const SpeechTemplate& settings) {
        SpeechPackageInstaller(stream, *fileSystem, log, banner).Install(paths, settings);
    }
    void Run() { Run(FilledTemplate(paths.speechDirectory)); }

    ScratchDirectory scratch;
    SpeechPackagePaths paths;
    std::unique_ptr<FileSystem> fileSystem = MakeNativeFileSystem();
    PayloadStream stream;
    RecordedLines log;
    RecordedLines banner;
};

TEST(SpeechPackage, ExtractsTheArchiveThenWritesTheSettingsFile) {
    SpeechStep step;
    const auto archive = EngineArchive().bytes;
    testing::WriteBytes(step.paths.sideArchive, archive);
    step.Run();

    const std::string& speng = step.paths.speechDirectory;
    EXPECT_EQ(ReadBytes(speng + "\\lisezmoi.txt"), BytesOf("voix\r\n"));
    EXPECT_EQ(ReadBytes(speng + "\\bin\\speng.exe"), kEngine);
    EXPECT_EQ(ReadBytes(speng + "\\bin\\data\\ROBERT16.dat"), kVoice);
    EXPECT_EQ(ReadBytes(step.paths.settingsFile), SettingsFileContent(FilledTemplate(speng)));
    // The banner goes to the hidden list, the tree to the log.
    EXPECT_EQ(step.banner.lines, (std::vector<std::string>{"moteur vocal", "2 voix"}));
    ASSERT_EQ(step.log.lines.size(), 6u);
    EXPECT_EQ(step.log.lines[0], "Répertoire " + speng);
    const std::size_t engineBlock = testing::LiteralBlock(kEngine).size() + 4;
    EXPECT_EQ(step.log.lines[3],
              "Fichier " + speng + "\\bin\\speng.exe taille :" + std::to_string(engineBlock) + "->12");
    EXPECT_EQ(step.log.lines[4], "Répertoire " + speng + "\\bin\\data");
    // The side archive has taken the place of the installer's image.
    EXPECT_EQ(step.stream.Bytes(), archive);
}

TEST(SpeechPackage, ReplacesAnExistingSettingsFileWholeAndMakesMissingParents) {
    SpeechStep step;
    step.paths.speechDirectory = step.scratch / "disque\\moteurs\\speng";
    testing::WriteBytes(step.paths.sideArchive, EngineArchive().bytes);
    testing::WriteBytes(step.paths.settingsFile, std::vector<std::uint8_t>(5000, 'x'));
    SpeechTemplate fourteen = FourteenVoiceSpeechTemplate();
    FillInSpeechTemplate(fourteen, "c:\\speng");
    step.Run(fourteen);

    const auto written = ReadBytes(step.paths.settingsFile);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->size(), 1219u);
    EXPECT_EQ(*written, SettingsFileContent(fourteen));
    EXPECT_EQ(ReadBytes(step.paths.speechDirectory + "\\bin\\speng.exe"), kEngine);
}

TEST(SpeechPackage, ArchiveWithoutMarkerStillMakesTheDirectoryAndWritesTheSettings) {
    SpeechStep step;
    testing::WriteBytes(step.paths.sideArchive, BytesOf("pas un paquet"));
    step.Run();

    EXPECT_TRUE(step.fileSystem->IsDirectory(step.paths.speechDirectory));
    EXPECT_TRUE(step.log.lines.empty());
    EXPECT_TRUE(step.banner.lines.empty());
    EXPECT_EQ(ReadBytes(step.paths.settingsFile), SettingsFileContent(FilledTemplate(step.paths.speechDirectory)));
}

TEST(SpeechPackage, DamagedArchiveLeavesTheSettingsFileUnwritten) {
    SpeechStep step;
    PackageBytes archive;
    archive.Header().Directory("").File("avant.txt", BytesOf("ok")).FileWithBlock("casse.dat", kCorruptBlock);
    testing::WriteBytes(step.paths.sideArchive, archive.bytes);

    try {
        step.Run();
        FAIL() << "no failure";
    } catch (const ECorruptFile& failure) {
        EXPECT_STREQ(failure.what(), "Compressed file is corrupt");
    }
    EXPECT_EQ(ReadBytes(step.paths.speechDirectory + "\\avant.txt"), BytesOf("ok"));
    EXPECT_FALSE(testing::Exists(step.paths.settingsFile));
    EXPECT_EQ(step.stream.Bytes(), archive.bytes);
}

TEST(SpeechPackage, MissingArchiveFailsToOpenAndLeavesTheStreamEmpty) {
    SpeechStep step;
    try {
        step.Run();
        FAIL() << "no failure";
    } catch (const EFOpenError& failure) {
        EXPECT_EQ(std::string(failure.what()), "Impossible d'ouvrir le fichier \"" + step.paths.sideArchive + "\". " +
                                                   SystemErrorText(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(step.stream.Size(), 0);
    EXPECT_FALSE(testing::Exists(step.paths.speechDirectory));
    EXPECT_FALSE(testing::Exists(step.paths.settingsFile));
}

TEST(SpeechPackage, SettingsFileThatCannotBeCreatedKeepsTheExtractedEngine) {
    SpeechStep step;
    step.paths.settingsFile = step.scratch / "pas-de-windows\\speng.ini";
    testing::WriteBytes(step.paths.sideArchive, EngineArchive().bytes);
    try {
        step.Run();
        FAIL() << "no failure";
    } catch (const EFCreateError& failure) {
        EXPECT_EQ(std::string(failure.what()), "Impossible de créer le fichier \"" + step.paths.settingsFile + "\". " +
                                                   SystemErrorText(ERROR_PATH_NOT_FOUND));
    }
    EXPECT_EQ(ReadBytes(step.paths.speechDirectory + "\\bin\\data\\ROBERT16.dat"), kVoice);
}

}  // namespace
}  // namespace quibel
