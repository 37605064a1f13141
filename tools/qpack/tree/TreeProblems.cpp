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
    : PackError(Joined(ProblemReport(problems))), problems_(std::move(problems)) {}

std::vector<std::string> ProblemReport(const std::vector<std::string>& problems, std::size_t limit) {
    if (problems.size() <= limit) {
        return problems;
    }
    std::vector<std::string> lines(problems.begin(), problems.begin() + static_cast<std::ptrdiff_t>(limit));
    const std::size_t rest = problems.size() - limit;
    lines.push_back("and " + std::to_string(rest) + (rest == 1 ? " more problem" : " more problems"));
    return lines;
}

}  // namespace quibel::qpack
