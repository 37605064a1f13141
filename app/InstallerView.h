#pragma once
// What the installer's logic asks of its window and of the drive and directory picker. The real window
// implements it; tests drive the controller through a recording implementation.

#include <string>

#include "payload/LineSink.h"

namespace quibel {

class InstallerView {
  public:
    virtual ~InstallerView() = default;

    // Label7.
    virtual void SetTitleLabel(const std::string& text) = 0;
    // DriveComboBox1: set the drive (the directory list follows it); read its letter back, in lower case.
    virtual void SetDrive(char letter) = 0;
    virtual char Drive() = 0;
    // DirectoryListBox1Change: LabelRep = the picker's directory + "\Quibel" ("Quibel" after a root).
    virtual void DirectoryListBox1Change() = 0;
    // LabelRep's text: the install directory.
    virtual std::string InstallDirectory() = 0;
    // BoutPrecedent3.
    virtual void DisableBackButton() = 0;
    // Memo1, the installation log.
    virtual void ClearLog() = 0;
    virtual LineSink& Log() = 0;
    // Memo2, the hidden banner list.
    virtual LineSink& BannerLines() = 0;
    // A modal message box with the text and one OK button, captioned with the application title.
    virtual void ShowMessage(const std::string& text) = 0;
    // The failure display with its text (the failure's message with its final "." already added), for a failure
    // that start-up shows and then goes on.
    virtual void ShowFailureDisplay(const std::string& text) = 0;
    // Closes the window, which ends the program.
    virtual void Close() = 0;
};

}  // namespace quibel
