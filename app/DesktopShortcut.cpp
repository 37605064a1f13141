// The product's shortcut on the user's desktop.
#include "app/InstallerController.h"

namespace quibel {

void InstallerController::CreateDesktopShortcut() {}

}  // namespace quibel
