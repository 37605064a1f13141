#pragma once
// Entries that a walk into DIR would write outside it. A directory name without its leading "\" is glued to the
// base's own name ("-sibling" under C:\w makes C:\w-sibling): that directory, and every file in its list, lands
// beside DIR. The installer writes them so, and stored packages may hold such names; extract refuses them unless
// asked to do as the installer does.

#include <functional>
#include <string>

#include "payload/PayloadStream.h"

namespace quibel::qpack {

// Calls found with the path (base + name, as the walk makes it) of every directory entry glued to the base and of
// every file in such a directory's list, read from the package's read position as the installer's walk reads it,
// blocks skipped and nothing decoded. An open list costs its name's place in the package, never a copy of it: a
// glued directory's name is read again for a file in its list. The read position is left where it was; an entry
// that cannot be read ends the search (the walk reports it).
void FindEntriesOutsideBase(PayloadStream& package,
                            const std::string& base,
                            const std::function<void(const std::string& path)>& found);

// Before anything is written: names each such entry as it is found, as an error (then throws PackError: nothing
// is extracted) or, with asInstaller, as a warning.
void CheckEntriesOutsideBase(PayloadStream& package, const std::string& base, bool asInstaller);

}  // namespace quibel::qpack
