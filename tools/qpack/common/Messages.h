#pragma once
// What qpack says on stderr, one format for every command: "qpack CMD: error: ..." and "qpack CMD: warning: ...".
// The texts are in the host's encoding (DisplayPath, TerminalText); the standard output is flushed first, so
// that a message follows the lines it concerns.

#include <cstddef>
#include <string>
#include <vector>

namespace quibel::qpack {

void PrintError(const std::string& command, const std::string& text);
void PrintWarning(const std::string& command, const std::string& text);
void PrintWarnings(const std::string& command, const std::vector<std::string>& texts);

// A note for people (the offset a scan started from, a summary): stderr, left out with -q.
void PrintNote(const std::string& command, const std::string& text);

// "1 directory, 2 files": the counts of a tree, as every command gives them.
std::string TreeCounts(std::size_t directories, std::size_t files);

}  // namespace quibel::qpack
