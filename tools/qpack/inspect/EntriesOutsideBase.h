#pragma once
// Entries that a walk into DIR would write outside it. A directory name without its leading "\" is glued to the
// base's own name ("-sibling" under C:\w makes C:\w-sibling): that directory, and every file in its list, lands
// beside DIR. The installer writes them so, and stored packages may hold such names; extract refuses them unless
// asked to do as the installer does.

#include <string>
#include <vector>

#include "payload/PayloadStream.h"

namespace quibel::qpack {

// The paths (base + name, as the walk makes them) of every directory entry glued to the base and of every file in
// such a directory's list, read from the package's read position as the installer's walk reads it, blocks skipped
// and nothing decoded. The read position is left where it was; an entry that cannot be read ends the search (the
// walk reports it).
std::vector<std::string> EntriesOutsideBase(PayloadStream& package, const std::string& base);

// Before anything is written: names each such entry, as an error (then throws PackError: nothing is extracted)
// or, with asInstaller, as a warning.
void CheckEntriesOutsideBase(PayloadStream& package, const std::string& base, bool asInstaller);

}  // namespace quibel::qpack
