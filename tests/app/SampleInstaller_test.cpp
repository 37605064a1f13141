// A whole run from the assembled sample installer's own payload (examples/, put together by `qpack installer`,
// digest record included): the controller loads that file in place of the running executable and installs the
// product, then the sample speech engine from the spengFR.maj beside it, byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "app/EventHandler.h"
#include "app/InstallerController.h"
#include "app/InstallerTexts.h"
#include "app/SpeechTemplates.h"
#include "payload/Texts.h"
#include "platform/NativeFileSystem.h"
#include "tests/app/RecordingView.h"

namespace quibel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The build folder of the sample, as Wine sees it (drive Z: is the root of the host).
std::string SampleDirectory() {
    std::string path = "Z:" QUIBEL_SAMPLE_DIR;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::uint8_t buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        std::fclose(file);
    }
    return bytes;
}

// Every file and directory below root, by path relative to it ("\Données\élèves.csv"), with the ANSI names.
struct Tree {
    std::set<std::string> directories;
    std::map<std::string, Bytes> files;
};

void Walk(const std::string& root, const std::string& relative, Tree& tree) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((root + relative + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = relative + "\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            tree.directories.insert(path);
            Walk(root, path, tree);
        } else {
            tree.files[path] = ReadBytes(root + path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Tree TreeOf(const std::string& root) {
    Tree tree;
    Walk(root, "", tree);
    return tree;
}

TEST(SampleInstaller, WholeRunFromTheInstallersOwnPayload) {
    const std::string sample = SampleDirectory();
    const Tree product = TreeOf(sample + "\\product");
    ASSERT_TRUE(product.files.count("\\quibel.exe")) << "no sample product in " << sample;
    ASSERT_TRUE(product.directories.count("\\Données\\Thèmes\\Été"));
    // Both files end as qpack writes them: after the closing tags, the digest record that the installer never reads.
    for (const char* file : {"\\quibel-setup.exe", "\\spengFR.maj"}) {
        const Bytes bytes = ReadBytes(sample + file);
        ASSERT_GE(bytes.size(), 96u) << file;
        EXPECT_EQ(std::string(bytes.end() - 96, bytes.end() - 81), "Quibel-SHA-256:") << file;
    }

    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "quibel-sample-" + std::to_string(GetCurrentProcessId());
    const std::string windowsDirectory = root + "\\windows";
    std::filesystem::create_directories(std::filesystem::path(windowsDirectory));

    testing::RecordingView view;
    view.pickerDirectory = root + "\\Programmes";
    const auto fileSystem = MakeNativeFileSystem();
    InstallerController controller(view, *fileSystem,
                                   InstallerEnvironment{sample + "\\quibel-setup.exe", windowsDirectory});
    std::vector<std::string> failures;
    for (auto handler : {&InstallerController::FormCreate, &InstallerController::FormActivate,
                         &InstallerController::BoutInstallerClick}) {
        EXPECT_TRUE(RunEventHandler([&] { (controller.*handler)(); },
                                    [&](const std::string& text) { failures.push_back(text); }));
    }
    ASSERT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(view.banner.lines, std::vector<std::string>{"Quibel 4.1"});

    // The product, byte for byte, empty directory included, and nothing else.
    const std::string base = root + "\\Programmes\\Quibel";
    const Tree installed = TreeOf(base);
    EXPECT_EQ(installed.directories, product.directories);
    EXPECT_TRUE(installed.files == product.files);

    // One line per directory and file of the product, then the closing lines, then the speech engine's own.
    const auto& log = view.log.lines;
    const std::size_t productLines = 1 + product.directories.size() + product.files.size();
    ASSERT_GE(log.size(), productLines + 2);
    EXPECT_EQ(log[0], Texts::LogDirectoryPrefix + base);
    for (std::size_t i = 1; i < productLines; ++i) {
        const bool directory = log[i].rfind(Texts::LogDirectoryPrefix + base + "\\", 0) == 0;
        const bool file = log[i].rfind(Texts::LogFilePrefix + base + "\\", 0) == 0;
        EXPECT_TRUE(directory || file) << log[i];
        if (file) {
            const std::string path =
                log[i].substr(Texts::LogFilePrefix.size() + base.size(),
                              log[i].find(Texts::LogFileSizeSeparator) - Texts::LogFilePrefix.size() - base.size());
            EXPECT_TRUE(product.files.count(path)) << log[i];
            EXPECT_TRUE(log[i].ends_with(Texts::LogFileSizeArrow + std::to_string(product.files.at(path).size())))
                << log[i];
        }
    }
    EXPECT_EQ(log[productLines], Texts::InstallationFinished);
    EXPECT_EQ(log[productLines + 1], Texts::CreatingDesktopShortcut);
    ASSERT_GT(log.size(), productLines + 2) << "the speech engine beside the installer was not installed";
    EXPECT_EQ(log[productLines + 2], Texts::LogDirectoryPrefix + controller.SpeechDirectory);
    EXPECT_EQ(controller.SideArchivePath, sample + "\\spengFR.maj");
    EXPECT_EQ(ReadBytes(windowsDirectory + "\\speng.ini"), SettingsFileContent(controller.lbspenginiFR));

    EXPECT_EQ(view.calls.end()[-2], "ShowMessage " + Texts::InstallationFinished);
    EXPECT_TRUE(view.closed);

    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root), ignored);
    CoUninitialize();
}

}  // namespace
}  // namespace quibel
