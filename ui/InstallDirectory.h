#pragma once
// The install directory shown in LabelRep: the picked directory followed by "\Quibel", or by "Quibel" when the
// directory already ends in a separator (a drive root such as C:\). What the directory holds is not looked at:
// C:\Quibel gives C:\Quibel\Quibel.

#include <string>

namespace quibel {

std::string InstallDirectoryFor(const std::string& pickedDirectory);

}  // namespace quibel
