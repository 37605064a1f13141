#include "payload/Errors.h"

#include "payload/Texts.h"

namespace quibel {

ECorruptFile::ECorruptFile() : Exception(Texts::CompressedFileIsCorrupt) {}
EReadError::EReadError() : Exception(Texts::StreamReadError) {}
EWriteError::EWriteError() : Exception(Texts::StreamWriteError) {}
EStreamError::EStreamError() : Exception(Texts::StreamOutOfMemory) {}

EFCreateError::EFCreateError(const std::string& fullPath, const std::string& systemText)
    : Exception(Texts::CannotCreateFile + fullPath + Texts::PathMessageSeparator + systemText) {}

EFOpenError::EFOpenError(const std::string& fullPath, const std::string& systemText)
    : Exception(Texts::CannotOpenFile + fullPath + Texts::PathMessageSeparator + systemText) {}

EInOutError::EInOutError(std::uint32_t errorCode) : Exception(MessageFor(errorCode)), errorCode_(errorCode) {}

std::string EInOutError::MessageFor(std::uint32_t errorCode) {
    switch (errorCode) {
        case 2:
            return Texts::IoFileNotFound;
        case 3:
            return Texts::IoInvalidFileName;
        case 4:
            return Texts::IoTooManyOpenFiles;
        case 5:
            return Texts::IoAccessDenied;
        case 100:
            return Texts::IoReadPastEnd;
        case 101:
            return Texts::IoDiskFull;
        case 106:
            return Texts::IoInvalidNumericInput;
        default:
            return Texts::IoErrorPrefix + std::to_string(errorCode);
    }
}

std::string FailureDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + ".";
    }
    return message;
}

}  // namespace quibel
