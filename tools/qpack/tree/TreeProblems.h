#pragma once
// Everything that keeps a tree from being packed, found in one pass: fixing a tree one refusal per run is slow
// when it holds many bad names.

#include <cstddef>
#include <string>
#include <vector>

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

// How many problems a report lists before it only counts the rest.
inline constexpr std::size_t ReportedProblemLimit = 100;

class TreeProblems : public PackError {
  public:
    // problems: plain texts, each naming its path, in tree order; at least one. what() holds the report lines.
    explicit TreeProblems(std::vector<std::string> problems);

    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    std::vector<std::string> problems_;
};

// The lines to show: the first `limit` problems, then "and N more problems" when there are more.
std::vector<std::string> ProblemReport(const std::vector<std::string>& problems,
                                       std::size_t limit = ReportedProblemLimit);

}  // namespace quibel::qpack
