#include "tools/qpack/common/Messages.h"

#include <cstdio>

#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

std::size_t warningsPrinted = 0;

// Messages quote paths and arguments: whatever a caller forgot to show safely is shown so here.
void Print(const std::string& command, const char* kind, const std::string& text) {
    FlushStandardOutput();
    const std::string who = command.empty() ? "qpack" : "qpack " + command;  // "qpack: " before any command
    std::fprintf(stderr, "%s: %s%s\n", who.c_str(), kind, ShownText(text).c_str());
}

}  // namespace

void PrintError(const std::string& command, const std::string& text) {
    Print(command, "error: ", text);
}

void PrintWarning(const std::string& command, const std::string& text) {
    Print(command, "warning: ", text);
    ++warningsPrinted;
}

void PrintWarnings(const std::string& command, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        PrintWarning(command, text);
    }
}

std::size_t WarningsPrinted() {
    return warningsPrinted;
}

void PrintNote(const std::string& command, const std::string& text) {
    Print(command, "", text);
}

std::string TreeCounts(std::size_t directories, std::size_t files) {
    return std::to_string(directories) + (directories == 1 ? " directory, " : " directories, ") +
           std::to_string(files) + (files == 1 ? " file" : " files");
}

}  // namespace quibel::qpack
