#include "tools/qpack/tree/TreeProblems.h"

#include <utility>

namespace quibel::qpack {

namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

}  // namespace

TreeProblems::TreeProblems(std::vector<std::string> problems)
    : PackError(Joined(problems)), problems_(std::move(problems)) {}

}  // namespace quibel::qpack
