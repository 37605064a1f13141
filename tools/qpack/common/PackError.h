#pragma once
// A failure of a qpack command: bad input or an output that cannot be written. The message names the path.

#include <stdexcept>
#include <string>

namespace quibel::qpack {

class PackError : public std::runtime_error {
  public:
    explicit PackError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quibel::qpack
