#pragma once
// What the drive and directory lists ask of the system: the process's current directory (the lists' state),
// the subdirectories of a directory, a volume's case rules and the computer's drives. Tests derive from it to
// make a change of directory fail.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/PickerDrives.h"

namespace quibel {

struct CaseRules {
    bool casePreserved = true;
    bool caseSensitive = false;
};

class PickerSystem {
  public:
    virtual ~PickerSystem() = default;

    // Changes the process's current directory; a refusal raises EInOutError with the system's error code.
    virtual void ChangeDirectory(const std::string& path);
    virtual std::string CurrentDirectory();
    // Names of the subdirectories, without ".", ".." and hidden or system entries, in the order found.
    virtual std::vector<std::string> Subdirectories(const std::string& directory);
    virtual CaseRules VolumeCaseRules(const std::string& root);
    // One entry per drive of the logical-drive mask, a to z, in lower case, from the four calls below.
    virtual std::vector<DriveEntry> Drives();
    virtual std::uint32_t LogicalDrives();
    // The kind of drive whose root is given; none for an unknown drive or one without a root directory.
    virtual std::optional<DriveKind> KindOfDrive(const std::string& root);
    // The volume label, with the system's critical-error prompts off; empty when it can't be read.
    virtual std::string VolumeLabel(const std::string& root);
    // The name of a network drive's connection; none when the system gives none.
    virtual std::optional<std::string> NetworkName(char letter);

    // Names compared as the user's locale sorts them, ignoring case.
    static int CompareNames(const std::string& a, const std::string& b);
    // Names compared by the file-name rules of the volume.
    static bool SamePath(const std::string& a, const std::string& b, bool caseSensitive);
    // Lower case by the rules of the system's ANSI code page: what the lists show and type-ahead compares.
    static std::string LowerCase(std::string text);
    // The key under which the file system takes two names for one: upper case by the same code page, compared
    // ordinally.
    static std::string FileNameKey(const std::string& name);

    static PickerSystem& Default();
};

}  // namespace quibel
