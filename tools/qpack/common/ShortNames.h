#pragma once
// The short (8.3) names that Windows makes, on volumes that keep them (the system drive by default, FAT drives),
// for a name that is not 8.3 itself: "LONGDIRNAME" is also "LONGDI~1", "Programme-Files.txt" also
// "PROGRA~1.TXT". A sibling whose own name is such a short name is opened as the other file, so the installer
// would merge or replace them. Which N the system picks depends on what the directory held before: any N counts.

#include <string>

namespace quibel::qpack {

// True when Windows may give sibling, a name in the same directory (Windows-1252), the short name name, letter
// case aside. The short base: sibling's name before its last dot, upper-cased, spaces and dots removed, characters
// short names cannot hold made "_", cut to 8 - len("~N") characters; then "~N" and the first three characters of
// its last extension. Bytes above 0x7F become what the OEM code page makes of them: they match anything. A name
// of the hashed form (two characters, four hexadecimal digits, "~N") matches any base starting with its two.
bool IsShortNameOf(const std::string& name, const std::string& sibling);

// "\"LONGDI~1\" is a short name Windows may give \"LONGDIRNAME\" ...": why the two cannot stand side by side.
std::string ShortNameClash(const std::string& shortName, const std::string& longName);

}  // namespace quibel::qpack
