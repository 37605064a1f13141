#pragma once
// Which entry names the reader accepts. A package comes from outside: a name must not climb above the base
// directory or reach a device, whatever the platform. Checked on the name itself, before any file-system call.

#include <string>
#include <string_view>

namespace quibel {

// A directory name: the path below the base ("\data\sounds"), or empty for the base itself.
// Refused: a component "..", any ":", a character below 32, a reserved device name as a component.
bool IsAcceptedDirectoryName(const std::string& name);

// A name component that Windows takes for a device in any directory (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9,
// LPT1-9 and COM/LPT with a superscript digit), in any letter case, whatever its extension and trailing dots and
// spaces.
bool IsReservedDeviceName(std::string_view component);

// A plain file name. Refused: "\" or "/", ":", "." or "..", a character below 32, a reserved device name.
bool IsAcceptedFileName(const std::string& name);

}  // namespace quibel
