#pragma once
// What Windows accepts as a file or directory name, and the order of names in a package: Windows-1252 text,
// compared by the bytes of its upper-case form, so that names Windows takes for one are found side by side.

#include <optional>
#include <string>

namespace quibel::qpack {

// Why Windows could not hold this one path component (Windows-1252 text), or nothing when it can.
std::optional<std::string> WindowsNameProblem(const std::string& name);

// The upper-case form of Windows-1252 text (ASCII letters and the accented letters that have one).
std::string UpperCaseKey(const std::string& name);

// True when a sorts before b in a package.
bool ComesBefore(const std::string& a, const std::string& b);

}  // namespace quibel::qpack
