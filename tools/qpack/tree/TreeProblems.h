#pragma once
// Everything that keeps a tree from being packed, found in one pass and reported whole: fixing a tree one
// refusal per run is slow when it holds many bad names.

#include <string>
#include <vector>

#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {

class TreeProblems : public PackError {
  public:
    // problems: plain texts, each naming its path, in tree order; at least one. what() holds them, one a line.
    explicit TreeProblems(std::vector<std::string> problems);

    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    std::vector<std::string> problems_;
};

}  // namespace quibel::qpack
