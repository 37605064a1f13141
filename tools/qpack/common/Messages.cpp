#include "tools/qpack/common/Messages.h"

#include <cstdio>

#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

// Messages quote paths and arguments: whatever a caller forgot to show safely is shown so here.
void Print(const std::string& command, const char* kind, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "qpack %s: %s%s\n", command.c_str(), kind, ShownText(text).c_str());
}

}  // namespace

void PrintError(const std::string& command, const std::string& text) {
    Print(command, "error: ", text);
}

void PrintWarning(const std::string& command, const std::string& text) {
    Print(command, "warning: ", text);
}

void PrintWarnings(const std::string& command, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        PrintWarning(command, text);
    }
}

void PrintNote(const std::string& command, const std::string& text) {
    Print(command, "", text);
}

std::string TreeCounts(std::size_t directories, std::size_t files) {
    return std::to_string(directories) + (directories == 1 ? " directory, " : " directories, ") +
           std::to_string(files) + (files == 1 ? " file" : " files");
}

}  // namespace quibel::qpack
