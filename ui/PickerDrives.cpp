#include "ui/PickerDrives.h"

#include <cctype>

namespace quibel {

std::string DriveEntryText(char letter,
                           DriveKind kind,
                           const std::string& label,
                           const std::optional<std::string>& networkName) {
    const std::string drive = std::string(1, letter) + ":";
    if (kind == DriveKind::Removable) {
        // Reading the label of a floppy drive would spin it up, or prompt for a disk.
        return drive;
    }
    if (kind == DriveKind::Network && networkName.has_value()) {
        return drive + " " + *networkName;
    }
    return drive + " [" + label + "]";
}

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

int FindDriveEntry(const std::vector<DriveEntry>& entries, char letter) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& text = entries[i].text;
        if (text.size() >= 2 && SameLetter(text[0], letter) && text[1] == ':') {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quibel
