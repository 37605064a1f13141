#pragma once
// A list of text lines to which the reader appends: the installation log and the hidden banner list.

#include <string>

namespace quibel {

class LineSink {
  public:
    virtual ~LineSink() = default;
    virtual void AppendLine(const std::string& line) = 0;
};

}  // namespace quibel
