#include "app/ComErrors.h"

#include <cstdio>

#include "platform/Win32System.h"

namespace quibel {

namespace {

const std::string kInterfaceNotSupported = "Interface non supportée";

}  // namespace

EOleSysError::EOleSysError(std::int32_t errorCode) : Exception(MessageFor(errorCode)), errorCode_(errorCode) {}

std::string EOleSysError::MessageFor(std::int32_t errorCode) {
    std::string text = SystemErrorText(static_cast<std::uint32_t>(errorCode));
    if (text.empty()) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "Erreur OLE %.8X", static_cast<unsigned>(errorCode));
        text = buffer;
    }
    return text;
}

EIntfCastError::EIntfCastError() : Exception(kInterfaceNotSupported) {}

}  // namespace quibel
