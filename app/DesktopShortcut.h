#pragma once
// The product's shortcut on the current user's desktop, made with the shell's link object.

#include <functional>
#include <string>

namespace quibel {

// Writes "Quibel 4.1.LNK" into the user's desktop directory: target installDirectory()\quibel.exe, working
// directory installDirectory()\, shown normally; installDirectory is asked again for each property it sets.
// Does nothing, silently, when the user has no desktop directory. Needs COM initialised on the calling thread. Throws
// EOleSysError when the link object cannot be created and EIntfCastError when it refuses an interface; failing setters
// or a failing save are not reported.
void MakeDesktopShortcut(const std::function<std::string()>& installDirectory);

}  // namespace quibel
