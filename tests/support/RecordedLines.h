#pragma once
// A line list that keeps what is appended, for comparing logs.

#include <string>
#include <vector>

#include "payload/LineSink.h"

namespace quibel::testing {

class RecordedLines final : public LineSink {
  public:
    void AppendLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

}  // namespace quibel::testing
