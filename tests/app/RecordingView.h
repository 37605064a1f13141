#pragma once
// The window operations of the installer, recorded: every call in order, the two line lists, the label.

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "app/InstallerView.h"
#include "payload/Errors.h"
#include "tests/support/RecordedLines.h"

namespace quibel::testing {

class RecordingView final : public InstallerView {
  public:
    // The directory the picker shows; DirectoryListBox1Change turns it into LabelRep.
    std::string pickerDirectory = "C:\\";

    // The operation of that name fails, after its effect, with EInOutError of the code (as the picker does when
    // it can't change to the drive it has selected).
    std::string failingOperation;
    std::uint32_t failureCode = 0;

    void SetTitleLabel(const std::string& text) override {
        Record("SetTitleLabel " + text);
        FailIf("SetTitleLabel");
    }
    void SetDrive(char letter) override {
        Record(std::string("SetDrive ") + letter);
        drive = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        FailIf("SetDrive");
    }
    char Drive() override { return drive; }
    void DirectoryListBox1Change() override {
        Record("DirectoryListBox1Change");
        labelRep = pickerDirectory + (pickerDirectory.back() == '\\' ? "Quibel" : "\\Quibel");
    }
    std::string InstallDirectory() override { return labelRep; }
    void DisableBackButton() override {
        Record("DisableBackButton");
        backButtonEnabled = false;
    }
    void ClearLog() override {
        Record("ClearLog");
        log.lines.clear();
    }
    LineSink& Log() override { return log; }
    LineSink& BannerLines() override { return banner; }
    void ShowMessage(const std::string& text) override { Record("ShowMessage " + text); }
    void ShowFailureDisplay(const std::string& text) override { Record("ShowFailureDisplay " + text); }
    void Close() override {
        Record("Close");
        closed = true;
    }

    std::vector<std::string> calls;
    char drive = 'c';
    std::string labelRep;
    bool backButtonEnabled = true;
    bool closed = false;
    RecordedLines log;     // Memo1
    RecordedLines banner;  // Memo2

  private:
    void Record(const std::string& call) { calls.push_back(call); }
    void FailIf(const std::string& operation) const {
        if (operation == failingOperation) {
            throw EInOutError(failureCode);
        }
    }
};

}  // namespace quibel::testing
