#pragma once
// The system facts of the running installer: its own file and the Windows directory.

#include "app/InstallerController.h"

namespace quibel {

InstallerEnvironment CurrentEnvironment();

}  // namespace quibel
