#pragma once
// The role a file plays, which decides where list, verify and extract look for its payload: an installer reads
// itself from 400000, its speech step reads a side archive from 0, and qpack reads a file as the one that would
// read it, never showing a tree other than the one that would be installed. The role comes from the name, as
// Windows compares it (without regard to letter case: SPENGFR.MAJ is a side archive too): ".exe" an installer,
// ".maj" a side archive; --from overrides. Any other name: a file that the Windows loader would not run is a side
// archive; a program it would run is read both ways, and refused when the two readings find different markers.

#include <cstdint>
#include <optional>
#include <string>

#include "payload/ByteSource.h"

namespace quibel::qpack {

struct PackageRole {
    std::int32_t offset = 0;  // the scan start
    std::string reason;       // why, for the note the commands print
};

// Throws PackError naming the file and both offsets when it is a program that the two readings see differently.
PackageRole ReadPackageRole(const std::string& fileName, ByteSource& file, std::optional<std::int32_t> from);

// "scanning from offset 400000 (an installer: its name ends in .exe; --from sets another)".
std::string ScanStartNote(const PackageRole& role);

// What a file without a payload marker is, in a user's words, then where it was looked for.
std::string NotAPackage(const PackageRole& role);

}  // namespace quibel::qpack
