// The installation run without the window: the controller with a view that keeps the log in memory, on the same
// installer file, to tell the window's share of a run from the extraction's. Prints the seconds of the activation
// (load and marker scan), of the run, and of the tree's walk within it (the rest is the shortcut and the speech step),
// then of putting the run's log into an edit control of Memo1's style, size and font as the window builds it: the
// part of the window's share that no installation step can shorten.
//
//   controller_run INSTALLER INSTALL_DIRECTORY [--no-writes]
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/EventHandler.h"
#include "app/InstallerController.h"
#include "app/InstallerTexts.h"
#include "platform/NativeFileSystem.h"
#include "ui/Gdi.h"
#include "ui/LayoutScaling.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Keeps the log as the window does (lines joined by CR LF) and notes when the tree's walk ended: the first closing
// line comes right after it.
class LineCount final : public quibel::LineSink {
  public:
    void AppendLine(const std::string& line) override {
        if (lines++ > 0) {
            text += "\r\n";
        }
        text += line;
        if (line == quibel::Texts::InstallationFinished && treeDone == 0) {
            treeDone = Now();
        }
    }
    int lines = 0;
    std::string text;
    double treeDone = 0;
};

// With --no-writes: directories and files are taken as made, nothing reaches the disk; the walk is then the
// decoding and the copying alone.
class DiscardingFileSystem final : public quibel::FileSystem {
  public:
    explicit DiscardingFileSystem(quibel::FileSystem& real) : real_(real) {}
    bool IsDirectory(const std::string&) override { return true; }
    bool IsFile(const std::string& path) override { return real_.IsFile(path); }
    void CreateDirectoryLevel(const std::string&) override {}
    void WriteWholeFile(const std::string&, const std::uint8_t*, std::size_t) override {}
    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override { return real_.LoadWholeFile(path); }
    std::unique_ptr<Directory> OpenDirectory(const Directory*, const std::string&, const std::string&, bool) override {
        return std::make_unique<Directory>();
    }
    std::unique_ptr<NewFile> CreateNewFile(const Directory&, const std::string&, const std::string&) override {
        struct Discarded final : NewFile {
            void Write(const std::uint8_t*, std::int32_t) override {}
            void Close() override {}
            void Remove() override {}
        };
        return std::make_unique<Discarded>();
    }

  private:
    quibel::FileSystem& real_;
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
    void ShowFailureDisplay(const std::string& text) override { message = text; }
    void Close() override {}

    LineCount log, banner;
    std::string message;

  private:
    std::string installDirectory_;
    char drive_ = 'c';
};

// Memo1's place as the window computes it: its design bounds, scaled by the height of "0" in the window font (MS
// Sans Serif of 11 px at 96 dpi, grown with the screen's resolution) against the layout's 16 px. With Wine's bitmap
// MS Sans Serif "0" is 13 px high, and Memo1 393 x 249 pixels: narrower than its design size, so that more lines
// wrap.
struct MemoEdit {
    quibel::FontHandle font;
    quibel::Bounds bounds;
};

MemoEdit Memo1AsBuilt() {
    const quibel::WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    MemoEdit memo{quibel::MakeFont({"MS Sans Serif", quibel::FontHeightForDpi(11, dpi), false, DEFAULT_CHARSET}), {}};
    int measured = quibel::TextExtent(memo.font.get(), "0").cy;
    if (measured <= 0) {
        measured = quibel::ReferenceTextHeight;
    }
    memo.bounds = quibel::ScaleBounds({10, 79, 484, 306}, measured, quibel::ReferenceTextHeight);
    return memo;
}

// Seconds that one SetWindowTextA of the log takes in a multi-line, read-only, word-wrapping edit of Memo1's
// style, size and font, inside a shown window.
double LogLayoutSeconds(const std::string& log) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const MemoEdit memo = Memo1AsBuilt();
    std::printf("log edit %d x %d\n", memo.bounds.width, memo.bounds.height);
    const HWND window = CreateWindowExA(0, "STATIC", "log layout", WS_OVERLAPPEDWINDOW, 0, 0, memo.bounds.width + 40,
                                        memo.bounds.height + 120, nullptr, nullptr, instance, nullptr);
    const HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 10, 10,
                                      memo.bounds.width, memo.bounds.height, window, nullptr, instance, nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(memo.font.get()), FALSE);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    const double begin = Now();
    SetWindowTextA(edit, log.c_str());
    const double seconds = Now() - begin;
    DestroyWindow(window);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const bool noWrites = argc == 4 && std::string(argv[3]) == "--no-writes";
    if (argc != 3 && !noWrites) {
        std::fprintf(stderr, "usage: controller_run INSTALLER INSTALL_DIRECTORY [--no-writes]\n");
        return 2;
    }
    CoInitialize(nullptr);
    MemoryView view(argv[2]);
    const auto realFileSystem = quibel::MakeNativeFileSystem();
    DiscardingFileSystem discarding(*realFileSystem);
    quibel::FileSystem* fileSystem = noWrites ? &discarding : realFileSystem.get();
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
    std::printf("activate_seconds %.3f\nrun_seconds %.3f\ntree_seconds %.3f\n", t1 - t0, t2 - t1,
                view.log.treeDone - t1);
    std::printf("log_layout_seconds %.3f\n", LogLayoutSeconds(view.log.text));
    CoUninitialize();
    return ok ? 0 : 1;
}
