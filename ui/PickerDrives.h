#pragma once
// The entries of the drive list: one line per drive, its text made from the letter and the volume label or the
// network connection's name, and the search for a drive's entry by its letter.

#include <optional>
#include <string>
#include <vector>

namespace quibel {

enum class DriveKind { Removable, Fixed, Network, CdRom, Ram };

struct DriveEntry {
    std::string text;
    DriveKind kind;
};

// "a:" for a removable drive; "c: [label]" for the others; "x: \\server\share" for a network drive whose
// connection name is known. The letter, label and name come in the case the list shows.
std::string DriveEntryText(char letter,
                           DriveKind kind,
                           const std::string& label,
                           const std::optional<std::string>& networkName);

// The first entry whose text starts with the letter (in either case) followed by ":"; -1 when there is none.
int FindDriveEntry(const std::vector<DriveEntry>& entries, char letter);

bool SameLetter(char a, char b);

}  // namespace quibel
