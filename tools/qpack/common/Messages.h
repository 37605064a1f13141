#pragma once
// What qpack says on stderr, one format for every command: "qpack CMD: error: ...", "qpack CMD: warning: ..." and
// notes and summaries as "qpack CMD: ...". The texts are in the host's encoding (DisplayPath, TerminalText); the
// standard output is flushed first, so that a message follows the lines it concerns. Results (listings, logs) go
// to stdout through WriteStandardOutput (StandardOutput.h); everything else comes here.

#include <cstddef>
#include <string>
#include <vector>

namespace quibel::qpack {

void PrintError(const std::string& command, const std::string& text);
void PrintWarning(const std::string& command, const std::string& text);
void PrintWarnings(const std::string& command, const std::vector<std::string>& texts);
// How many warnings this run printed (--warnings-as-errors counts them).
std::size_t WarningsPrinted();

// A note or summary for people (the offset a scan started from, what a run made); the commands leave them out
// with -q.
void PrintNote(const std::string& command, const std::string& text);

// "1 directory, 2 files": the counts of a tree, as every command gives them.
std::string TreeCounts(std::size_t directories, std::size_t files);

}  // namespace quibel::qpack
