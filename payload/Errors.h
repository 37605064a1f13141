#pragma once
// The failures of the system. Messages are Windows-1252 text, shown as they stand by the failure display.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quibel {

// The general failure that carries a message; every failure of the system derives from it.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Damaged compressed data.
class ECorruptFile : public Exception {
  public:
    ECorruptFile();
};

// Fewer bytes remain than a copy needs.
class EReadError : public Exception {
  public:
    EReadError();
};

// A write to a file cannot be completed.
class EWriteError : public Exception {
  public:
    EWriteError();
};

// An in-memory stream cannot grow.
class EStreamError : public Exception {
  public:
    EStreamError();
};

// A file cannot be created: "Impossible de créer le fichier "path". system text".
class EFCreateError : public Exception {
  public:
    EFCreateError(const std::string& fullPath, const std::string& systemText);
};

// A file cannot be opened for reading: "Impossible d'ouvrir le fichier "path". system text".
class EFOpenError : public Exception {
  public:
    EFOpenError(const std::string& fullPath, const std::string& systemText);
};

// A directory operation failed; the message comes from the system error code.
class EInOutError : public Exception {
  public:
    explicit EInOutError(std::uint32_t errorCode);
    std::uint32_t ErrorCode() const { return errorCode_; }

    static std::string MessageFor(std::uint32_t errorCode);

  private:
    std::uint32_t errorCode_;
};

// The text of the failure display: the message, with "." appended when it is not empty and its last character
// has a code above that of ".".
std::string FailureDisplayText(const std::string& message);

// System error codes that the portable code names.
namespace SystemError {
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t NotReady = 21;
inline constexpr std::uint32_t SharingViolation = 32;
inline constexpr std::uint32_t DiskFull = 112;
inline constexpr std::uint32_t AlreadyExists = 183;
}  // namespace SystemError

}  // namespace quibel
