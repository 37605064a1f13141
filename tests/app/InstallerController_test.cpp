// The installer's logic driven without its window, under Wine: start-up, activation and installation runs against
// installer files written by the tests, on the real file system.
#include "app/InstallerController.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "app/EventHandler.h"
#include "app/InstallerTexts.h"
#include "payload/Errors.h"
#include "payload/Texts.h"
#include "platform/NativeFileSystem.h"
#include "platform/Win32System.h"
#include "tests/app/RecordingView.h"
#include "tests/support/PackageBuilder.h"

namespace quibel {
namespace {

using testing::Bytes;
using testing::PackageBuilder;

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Plain C runtime file access with ANSI names, independent of the file system under test.
void WriteBytes(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

std::optional<Bytes> ReadBytes(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    Bytes bytes;
    std::uint8_t buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return bytes;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string FileLine(const std::string& directory, const std::string& name, const Bytes& content) {
    const auto blockLength = BlockLengthFieldSize + testing::LiteralBlock(content).size();
    return Texts::LogFilePrefix + directory + "\\" + name + Texts::LogFileSizeSeparator + std::to_string(blockLength) +
           Texts::LogFileSizeArrow + std::to_string(content.size());
}

std::string DirectoryLine(const std::string& path) {
    return Texts::LogDirectoryPrefix + path;
}

class InstallerControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        comReady_ = SUCCEEDED(CoInitialize(nullptr));
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        root = std::string(temp) + "quibel-controller-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr)) << root;
        setupDirectory = root + "\\setup";
        windowsDirectory = root + "\\windows";
        CreateDirectoryA(setupDirectory.c_str(), nullptr);
        CreateDirectoryA(windowsDirectory.c_str(), nullptr);
        installerPath = setupDirectory + "\\quibel-setup.exe";
        // Two missing levels above the install directory: the run makes them all.
        view.pickerDirectory = root + "\\Jeux\\École";
    }

    void TearDown() override {
        controller.reset();
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(root), ignored);
        if (comReady_) {
            CoUninitialize();
        }
    }

    std::string InstallDirectory() const { return view.pickerDirectory + "\\Quibel"; }

    void WriteInstaller(const Bytes& payload) { WriteBytes(installerPath, testing::InstallerFile(payload)); }

    void MakeController() {
        controller = std::make_unique<InstallerController>(view, *fileSystem,
                                                           InstallerEnvironment{installerPath, windowsDirectory});
    }

    // What the window does while it is created and first shown.
    bool StartUp() {
        MakeController();
        return Handle(&InstallerController::FormCreate) && Handle(&InstallerController::FormActivate);
    }

    bool Press() { return Handle(&InstallerController::BoutInstallerClick); }

    // Runs a handler as the window does: failures go to the failure display.
    bool Handle(void (InstallerController::*handler)()) {
        return RunEventHandler([&] { ((*controller).*handler)(); },
                               [&](const std::string& text) { failureDisplay.push_back(text); });
    }

    std::unique_ptr<FileSystem> fileSystem = MakeNativeFileSystem();
    testing::RecordingView view;
    std::unique_ptr<InstallerController> controller;
    std::vector<std::string> failureDisplay;
    std::string root, setupDirectory, windowsDirectory, installerPath;

  private:
    bool comReady_ = false;
};

const std::vector<std::string> ClosingLines = {Texts::InstallationFinished, Texts::CreatingDesktopShortcut};

TEST_F(InstallerControllerTest, WholeRunExtractsThePayloadLogsItAndCloses) {
    const Bytes program = RandomBytes(3000, 1);
    const Bytes readme = TextBytes("Quibel 4.1\r\nÀ lire avant de commencer.\r\n");
    const Bytes summer = TextBytes("été");
    const Bytes large = RandomBytes(70000, 2);  // more than one segment of the block
    WriteInstaller(PackageBuilder()
                       .BannerLine("Quibel 4.1")
                       .BannerLine("Données de démonstration")
                       .Directory("")
                       .File("quibel.exe", program)
                       .File("lisez-moi.txt", readme)
                       .Directory("\\données")
                       .File("été.txt", summer)
                       .File("vide.dat", {})
                       .Directory("\\données\\sons")
                       .File("grand.bin", large)
                       .Directory("\\vide")
                       .Build());

    ASSERT_TRUE(StartUp());
    EXPECT_EQ(view.banner.lines, (std::vector<std::string>{"Quibel 4.1", "Données de démonstration"}));
    ASSERT_TRUE(Press()) << failureDisplay.front();

    const std::string base = InstallDirectory();
    const std::vector<std::string> expectedLog = {
        DirectoryLine(base),
        FileLine(base, "quibel.exe", program),
        FileLine(base, "lisez-moi.txt", readme),
        DirectoryLine(base + "\\données"),
        FileLine(base + "\\données", "été.txt", summer),
        FileLine(base + "\\données", "vide.dat", {}),
        DirectoryLine(base + "\\données\\sons"),
        FileLine(base + "\\données\\sons", "grand.bin", large),
        DirectoryLine(base + "\\vide"),
        Texts::InstallationFinished,
        Texts::CreatingDesktopShortcut,
    };
    EXPECT_EQ(view.log.lines, expectedLog);
    EXPECT_EQ(ReadBytes(base + "\\quibel.exe"), program);
    EXPECT_EQ(ReadBytes(base + "\\lisez-moi.txt"), readme);
    EXPECT_EQ(ReadBytes(base + "\\données\\été.txt"), summer);
    EXPECT_EQ(ReadBytes(base + "\\données\\vide.dat"), Bytes{});
    EXPECT_EQ(ReadBytes(base + "\\données\\sons\\grand.bin"), large);
    EXPECT_TRUE(IsDirectory(base + "\\vide"));

    const std::vector<std::string> expectedCalls = {
        "SetTitleLabel Quibel 4.1",
        std::string("SetDrive ") + windowsDirectory[0],
        "DirectoryListBox1Change",
        "DisableBackButton",
        "ClearLog",
        "ShowMessage Installation terminée",
        "Close",
    };
    EXPECT_EQ(view.calls, expectedCalls);
    EXPECT_TRUE(failureDisplay.empty());
}

TEST_F(InstallerControllerTest, InstallerWithoutMarkerPastTheScanStartInstallsNothingAndEndsAsUsual) {
    // A payload that lies wholly before offset 400000 is not looked at.
    Bytes file = PackageBuilder().BannerLine("early").Directory("").File("a.txt", TextBytes("a")).Build();
    file.resize(PayloadScanStart + 100, 0);
    WriteBytes(installerPath, file);

    ASSERT_TRUE(StartUp());
    EXPECT_TRUE(view.banner.lines.empty());
    ASSERT_TRUE(Press());
    EXPECT_TRUE(IsDirectory(InstallDirectory()));
    EXPECT_EQ(view.log.lines, ClosingLines);
    EXPECT_FALSE(ReadBytes(InstallDirectory() + "\\a.txt").has_value());
    EXPECT_EQ(view.calls.back(), "Close");
}

TEST_F(InstallerControllerTest, ExistingInstallDirectoryIsUsedAndSameNamedFilesReplaced) {
    const std::string base = InstallDirectory();
    std::filesystem::create_directories(std::filesystem::path(root) / "Jeux");
    ASSERT_TRUE(CreateDirectoryA(view.pickerDirectory.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    WriteBytes(base + "\\a.txt", TextBytes("an older and longer content"));
    WriteBytes(base + "\\mine.txt", TextBytes("kept"));
    WriteInstaller(PackageBuilder().Directory("").File("a.txt", TextBytes("new")).Build());

    ASSERT_TRUE(StartUp());
    ASSERT_TRUE(Press());
    EXPECT_EQ(view.log.lines.front(), DirectoryLine(base));
    EXPECT_EQ(ReadBytes(base + "\\a.txt"), TextBytes("new"));
    EXPECT_EQ(ReadBytes(base + "\\mine.txt"), TextBytes("kept"));
}

TEST_F(InstallerControllerTest, FailedRunKeepsTheWindowOpenAndTheNextPressGoesOnFromTheReadPosition) {
    const Bytes first = TextBytes("first"), blocked = TextBytes("blocked"), later = TextBytes("later");
    WriteInstaller(PackageBuilder()
                       .Directory("")
                       .File("a.txt", first)
                       .Directory("\\sub")
                       .File("b.txt", blocked)
                       .Directory("\\sub\\deeper")
                       .File("d.txt", later)
                       .Build());
    const std::string base = InstallDirectory();
    // A directory stands where b.txt is to be written.
    std::filesystem::create_directories(std::filesystem::path(base + "\\sub\\b.txt"));

    ASSERT_TRUE(StartUp());
    EXPECT_FALSE(Press());

    // The failure display shows what creating that file gives on this system.
    const std::string blockedPath = base + "\\sub\\b.txt";
    const HANDLE probe = CreateFileA(blockedPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE);
    const std::string systemText = SystemErrorText(GetLastError());
    ASSERT_EQ(failureDisplay.size(), 1u);
    EXPECT_EQ(failureDisplay[0], FailureDisplayText(EFCreateError(FullPathName(blockedPath), systemText).what()));
    EXPECT_EQ(failureDisplay[0], "Impossible de créer le fichier \"" + FullPathName(blockedPath) + "\". " + systemText +
                                     (systemText.empty() ? "" : "."));
    EXPECT_EQ(view.log.lines, (std::vector<std::string>{DirectoryLine(base), FileLine(base, "a.txt", first),
                                                        DirectoryLine(base + "\\sub")}));
    EXPECT_FALSE(view.closed);
    EXPECT_FALSE(view.backButtonEnabled);

    // The next press neither reloads nor rewinds: a.txt, changed meanwhile, is not written again.
    RemoveDirectoryA(blockedPath.c_str());
    WriteBytes(base + "\\a.txt", TextBytes("changed by the user"));
    ASSERT_TRUE(Press());
    EXPECT_EQ(view.log.lines, (std::vector<std::string>{DirectoryLine(base + "\\sub\\deeper"),
                                                        FileLine(base + "\\sub\\deeper", "d.txt", later),
                                                        Texts::InstallationFinished, Texts::CreatingDesktopShortcut}));
    EXPECT_EQ(ReadBytes(base + "\\a.txt"), TextBytes("changed by the user"));
    EXPECT_FALSE(ReadBytes(blockedPath).has_value());
    EXPECT_EQ(ReadBytes(base + "\\sub\\deeper\\d.txt"), later);
    EXPECT_TRUE(view.closed);
}

TEST_F(InstallerControllerTest, UnreadableInstallerIsReportedOnceAndARunThenExtractsNothing) {
    // No installer file at all: activation fails with the open error and is not tried again.
    ASSERT_FALSE(StartUp());
    ASSERT_EQ(failureDisplay.size(), 1u);
    EXPECT_EQ(failureDisplay[0].rfind("Impossible d'ouvrir le fichier \"" + FullPathName(installerPath) + "\". ", 0),
              0u)
        << failureDisplay[0];
    WriteInstaller(PackageBuilder().Directory("").File("a.txt", TextBytes("a")).Build());
    EXPECT_TRUE(Handle(&InstallerController::FormActivate));
    EXPECT_EQ(controller->PayloadStream->Size(), 0);

    ASSERT_TRUE(Press());
    EXPECT_EQ(view.log.lines, ClosingLines);
}

TEST_F(InstallerControllerTest, ActivationLoadsAndScansOnlyOnce) {
    WriteInstaller(PackageBuilder().BannerLine("b").Directory("").Build());
    ASSERT_TRUE(StartUp());
    const auto position = controller->PayloadStream->Position();
    controller->PayloadStream->SetPosition(0);
    EXPECT_TRUE(Handle(&InstallerController::FormActivate));
    EXPECT_EQ(view.banner.lines, std::vector<std::string>{"b"});
    EXPECT_EQ(controller->PayloadStream->Position(), 0);
    EXPECT_EQ(position, PayloadScanStart + 8 + 2 + 4 + 4 + 1);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "DirectoryListBox1Change"), 1);

    EXPECT_TRUE(Handle(&InstallerController::FormDestroy));
    EXPECT_EQ(controller->PayloadStream, nullptr);
}

TEST_F(InstallerControllerTest, SideArchiveChoiceAtStartUp) {
    struct Case {
        bool ttlFile, ttlDirectory, frFile;
        const char* chosen;
        bool fourteenVoices;
    };
    const Case cases[] = {
        {false, false, false, "spengFR.maj", false}, {false, false, true, "spengFR.maj", false},
        {true, false, false, "spengTTL.maj", true},  {true, false, true, "spengTTL.maj", true},
        {false, true, true, "spengFR.maj", false},  // a directory of that name is no archive
    };
    WriteInstaller(PackageBuilder().Directory("").Build());
    for (const auto& c : cases) {
        const std::string ttl = setupDirectory + "\\spengTTL.maj", fr = setupDirectory + "\\spengFR.maj";
        std::filesystem::remove_all(std::filesystem::path(ttl));
        std::filesystem::remove_all(std::filesystem::path(fr));
        if (c.ttlFile) {
            WriteBytes(ttl, {});
        }
        if (c.ttlDirectory) {
            CreateDirectoryA(ttl.c_str(), nullptr);
        }
        if (c.frFile) {
            WriteBytes(fr, {});
        }
        ASSERT_TRUE(StartUp());
        EXPECT_EQ(controller->SideArchivePath, setupDirectory + "\\" + c.chosen);
        EXPECT_EQ(controller->ChosenTemplate, c.fourteenVoices ? &controller->lbspenginiTTL : &controller->lbspenginiFR)
            << c.chosen;
    }
}

TEST_F(InstallerControllerTest, SideArchiveRemovedAfterStartUpSkipsTheSpeechStep) {
    WriteInstaller(PackageBuilder().Directory("").File("a.txt", TextBytes("a")).Build());
    const Bytes archive = PackageBuilder().Directory("").File("voix.dat", TextBytes("v")).Build();
    WriteBytes(setupDirectory + "\\spengTTL.maj", archive);
    WriteBytes(setupDirectory + "\\spengFR.maj", archive);

    ASSERT_TRUE(StartUp());
    ASSERT_TRUE(DeleteFileA((setupDirectory + "\\spengTTL.maj").c_str()));
    ASSERT_TRUE(Press());
    // The step looks at the archive chosen at start-up again and finds it gone; the other one is not taken instead.
    EXPECT_EQ(std::vector<std::string>(view.log.lines.end() - 2, view.log.lines.end()), ClosingLines);
    EXPECT_FALSE(ReadBytes(windowsDirectory + "\\speng.ini").has_value());
}

TEST_F(InstallerControllerTest, SpeechDirectoryAndSettingsFileFromTheWindowsDirectory) {
    struct Case {
        const char* windows;
        const char* speech;
        const char* settings;
    };
    const Case cases[] = {
        {"C:\\WINDOWS", "c:\\speng", "C:\\WINDOWS\\speng.ini"},
        {"D:\\WinNT", "d:\\speng", "D:\\WinNT\\speng.ini"},
        {"e:\\windows", "e:\\speng", "e:\\windows\\speng.ini"},
    };
    for (const auto& c : cases) {
        testing::RecordingView picker;
        InstallerController controller(picker, *fileSystem, InstallerEnvironment{installerPath, c.windows});
        ASSERT_TRUE(RunEventHandler([&] { controller.FormCreate(); }, [](const std::string&) {}));
        EXPECT_EQ(controller.WindowsDirectory, c.windows);
        EXPECT_EQ(controller.SpeechDirectory, c.speech);
        EXPECT_EQ(controller.SettingsFilePath, c.settings);
        EXPECT_EQ(picker.calls.at(1), std::string("SetDrive ") + c.windows[0]);
        ASSERT_NE(controller.PayloadStream, nullptr);
        EXPECT_EQ(controller.PayloadStream->Size(), 0);
    }
}

TEST_F(InstallerControllerTest, FailuresInFormCreate) {
    // The picker step's failure is shown by the controller and start-up goes on, so that the speech engine is
    // still installed; any other failure abandons the rest of FormCreate and reaches the window's handler, and the
    // window then activates as usual: activation and a run cope with what was set.
    struct Case {
        const char* operation;
        std::uint32_t code;
        const char* display;
        bool speechEngine;  // also: FormCreate ends normally
    };
    const Case cases[] = {
        {"SetDrive", 2, "Fichier introuvable.", true},
        {"SetDrive", 21, "Erreur E/S 21.", true},
        {"SetTitleLabel", 5, "Accès au fichier refusé.", false},
    };
    WriteInstaller(PackageBuilder().BannerLine("b").Directory("").File("a.txt", TextBytes("a")).Build());
    WriteBytes(setupDirectory + "\\spengFR.maj",
               PackageBuilder().Directory("").File("voix.dat", TextBytes("v")).Build());
    for (const Case& c : cases) {
        view = testing::RecordingView();
        view.pickerDirectory = root + "\\" + c.operation + std::to_string(c.code);
        view.failingOperation = c.operation;
        view.failureCode = c.code;
        failureDisplay.clear();
        const std::string speech = std::string(1, static_cast<char>(std::tolower(windowsDirectory[0]))) + ":\\speng";
        std::filesystem::remove_all(std::filesystem::path(windowsDirectory + "\\speng.ini"));

        MakeController();
        EXPECT_EQ(Handle(&InstallerController::FormCreate), c.speechEngine) << c.operation;
        ASSERT_TRUE(Handle(&InstallerController::FormActivate)) << c.operation;
        std::vector<std::string> shown = failureDisplay;  // by the handler or by the controller, one display
        for (const std::string& call : view.calls) {
            if (call.starts_with("ShowFailureDisplay ")) {
                shown.push_back(call.substr(std::string("ShowFailureDisplay ").size()));
            }
        }
        EXPECT_EQ(shown, std::vector<std::string>{c.display}) << c.operation;
        EXPECT_EQ(view.banner.lines, std::vector<std::string>{"b"}) << "activation loads the installer";
        ASSERT_TRUE(Press()) << c.operation;
        EXPECT_EQ(ReadBytes(InstallDirectory() + "\\a.txt"), TextBytes("a")) << c.operation;
        EXPECT_EQ(controller->SpeechDirectory, c.speechEngine ? speech : "") << c.operation;
        EXPECT_EQ(ReadBytes(windowsDirectory + "\\speng.ini").has_value(), c.speechEngine) << c.operation;
        EXPECT_TRUE(view.closed);
    }
}

TEST_F(InstallerControllerTest, APackageLoadCutShortExtractsNothing) {
    // The system's read delivers half of any file of 800000 bytes or more, then fails: the installer's own file
    // (400000 bytes of image and its payload), or the side archive beside a smaller installer.
    constexpr std::size_t Cut = 800000;
    auto cutting = std::make_shared<bool>(false);
    std::filesystem::remove(std::filesystem::path(std::string(1, windowsDirectory[0]) + ":\\speng\\voix.dat"));
    fileSystem = MakeNativeFileSystem([cutting](std::intptr_t file, void* buffer, std::size_t count) -> std::int64_t {
        if (*cutting) {
            *cutting = false;
            return -1;
        }
        *cutting = count >= Cut;
        return SystemFileRead(file, buffer, *cutting ? count / 2 : count);
    });
    const Bytes archive = PackageBuilder().Directory("").File("voix.dat", RandomBytes(Cut, 3)).Build();
    WriteBytes(setupDirectory + "\\spengFR.maj", archive);

    // The installer's own file: activation shows the read error, the stream stays empty.
    WriteInstaller(PackageBuilder().Directory("").File("a.txt", RandomBytes(Cut, 4)).Build());
    ASSERT_FALSE(StartUp());
    EXPECT_EQ(failureDisplay, std::vector<std::string>{"Erreur de lecture du flux."});
    EXPECT_EQ(controller->PayloadStream->Size(), 0);
    EXPECT_TRUE(view.banner.lines.empty());

    // The side archive: the run stops there, with no speech engine and no settings file.
    WriteInstaller(PackageBuilder().Directory("").File("a.txt", TextBytes("a")).Build());
    failureDisplay.clear();
    view = testing::RecordingView();
    view.pickerDirectory = root + "\\second";
    ASSERT_TRUE(StartUp());
    EXPECT_FALSE(Press());
    EXPECT_EQ(failureDisplay, std::vector<std::string>{"Erreur de lecture du flux."});
    EXPECT_EQ(ReadBytes(InstallDirectory() + "\\a.txt"), TextBytes("a"));
    EXPECT_FALSE(ReadBytes(controller->SpeechDirectory + "\\voix.dat").has_value());
    EXPECT_FALSE(ReadBytes(windowsDirectory + "\\speng.ini").has_value());
    EXPECT_FALSE(view.closed);
}

}  // namespace
}  // namespace quibel
