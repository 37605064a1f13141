#pragma once
// A window stand-in for driving InstallerController: it keeps what the controller shows and asks for.

#include <cctype>
#include <string>
#include <vector>

#include "app/InstallerView.h"
#include "tests/support/RecordedLines.h"

namespace quibel::testing {

class RecordingView final : public InstallerView {
  public:
    // The directory the picker stands at; DirectoryListBox1Change puts it, with "\Quibel", into the label.
    explicit RecordingView(std::string pickedDirectory) : pickedDirectory_(std::move(pickedDirectory)) {}

    void SetTitleLabel(const std::string& text) override { title = text; }
    void SetDrive(char letter) override {
        drive_ = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    }
    char Drive() override { return drive_; }
    void DirectoryListBox1Change() override { label_ = pickedDirectory_ + "\\Quibel"; }
    std::string InstallDirectory() override { return label_; }
    void DisableBackButton() override { backButtonDisabled = true; }
    void ClearLog() override { log.lines.clear(); }
    LineSink& Log() override { return log; }
    LineSink& BannerLines() override { return banner; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowFailureDisplay(const std::string& text) override { messages.push_back(text); }
    void Close() override { closed = true; }

    std::string title;
    bool backButtonDisabled = false;
    RecordedLines log;
    RecordedLines banner;
    std::vector<std::string> messages;
    bool closed = false;

  private:
    std::string pickedDirectory_;
    char drive_ = 'c';
    std::string label_;
};

}  // namespace quibel::testing
