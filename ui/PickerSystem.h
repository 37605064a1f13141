#pragma once
// What the drive and directory lists ask of the system: the process's current directory (the lists' state),
// the subdirectories of a directory, a volume's case rules and the computer's drives. Tests derive from it to
// make a change of directory fail.

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
    // One entry per drive of the logical-drive mask, a to z, in lower case.
    virtual std::vector<DriveEntry> Drives();

    // Names compared as the user's locale sorts them, ignoring case.
    static int CompareNames(const std::string& a, const std::string& b);
    // Names compared by the file-name rules of the volume.
    static bool SamePath(const std::string& a, const std::string& b, bool caseSensitive);
    static std::string LowerCase(std::string text);

    static PickerSystem& Default();
};

}  // namespace quibel
