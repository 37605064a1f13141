#pragma once
// The failures of COM calls: an object that cannot be created, and an object that refuses an interface.

#include <cstdint>
#include <string>

#include "payload/Errors.h"

namespace quibel {

// A COM call failed with an HRESULT: the system's text for the code, or "Erreur OLE 8000FFFF" (eight hexadecimal
// digits, capitals) when the system has none.
class EOleSysError : public Exception {
  public:
    explicit EOleSysError(std::int32_t errorCode);
    std::int32_t ErrorCode() const { return errorCode_; }

    static std::string MessageFor(std::int32_t errorCode);

  private:
    std::int32_t errorCode_;
};

// An object does not give the interface asked for: "Interface non supportée".
class EIntfCastError : public Exception {
  public:
    EIntfCastError();
};

}  // namespace quibel
