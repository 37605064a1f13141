#pragma once
// What qpack says on stderr, one format for every command: "qpack CMD: error: ..." and "qpack CMD: warning: ...".
// The texts are in the host's encoding (DisplayPath, TerminalText); the standard output is flushed first, so
// that a message follows the lines it concerns.

#include <string>
#include <vector>

namespace quibel::qpack {

void PrintError(const std::string& command, const std::string& text);
void PrintWarning(const std::string& command, const std::string& text);
void PrintWarnings(const std::string& command, const std::vector<std::string>& texts);

// A note for people (the offset a scan started from, a summary): stderr, left out with -q.
void PrintNote(const std::string& command, const std::string& text);

}  // namespace quibel::qpack
