#include "ui/InstallDirectory.h"

namespace quibel {

std::string InstallDirectoryFor(const std::string& pickedDirectory) {
    if (!pickedDirectory.empty() && pickedDirectory.back() == '\\') {
        return pickedDirectory + "Quibel";
    }
    return pickedDirectory + "\\Quibel";
}

}  // namespace quibel
