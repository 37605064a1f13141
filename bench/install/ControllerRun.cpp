// The installation run without the window: the controller with a view that keeps the log in memory, on the same
// installer file, to tell the window's share of a run from the extraction's. Prints the seconds of the activation
// (load and marker scan) and of the run.
//
//   controller_run INSTALLER INSTALL_DIRECTORY
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/EventHandler.h"
#include "app/InstallerController.h"
#include "platform/NativeFileSystem.h"

namespace {

class LineCount final : public quibel::LineSink {
  public:
    void AppendLine(const std::string&) override { ++lines; }
    int lines = 0;
};

class MemoryView final : public quibel::InstallerView {
  public:
    explicit MemoryView(std::string installDirectory) : installDirectory_(std::move(installDirectory)) {}
    void SetTitleLabel(const std::string&) override {}
    void SetDrive(char letter) override { drive_ = letter; }
    char Drive() override { return drive_; }
    void DirectoryListBox1Change() override {}
    std::string InstallDirectory() override { return installDirectory_; }
    void DisableBackButton() override {}
    void ClearLog() override {}
    quibel::LineSink& Log() override { return log; }
    quibel::LineSink& BannerLines() override { return banner; }
    void ShowMessage(const std::string& text) override { message = text; }
    void Close() override {}

    LineCount log, banner;
    std::string message;

  private:
    std::string installDirectory_;
    char drive_ = 'c';
};

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: controller_run INSTALLER INSTALL_DIRECTORY\n");
        return 2;
    }
    CoInitialize(nullptr);
    MemoryView view(argv[2]);
    const auto fileSystem = quibel::MakeNativeFileSystem();
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    quibel::InstallerController controller(view, *fileSystem, quibel::InstallerEnvironment{argv[1], windows});
    bool ok = true;
    const auto show = [&](const std::string& text) {
        std::printf("failure: %s\n", text.c_str());
        ok = false;
    };
    ok = quibel::RunEventHandler([&] { controller.FormCreate(); }, show) && ok;
    const double t0 = Now();
    ok = quibel::RunEventHandler([&] { controller.FormActivate(); }, show) && ok;
    const double t1 = Now();
    ok = quibel::RunEventHandler([&] { controller.BoutInstallerClick(); }, show) && ok;
    const double t2 = Now();
    std::printf("log lines %d, message: %s\n", view.log.lines, view.message.c_str());
    std::printf("activate_seconds %.3f\nrun_seconds %.3f\n", t1 - t0, t2 - t1);
    CoUninitialize();
    return ok ? 0 : 1;
}
