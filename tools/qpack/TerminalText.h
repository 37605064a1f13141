#pragma once
// What qpack prints of a package's names and banner lines. A package comes from outside: a line feed in a name
// would forge log lines, an escape sequence would drive the terminal. Control characters show as "?", as ls
// shows them on a terminal.

#include <string>

namespace quibel::qpack {

// Windows-1252 text in the host's encoding (and separators, when asked), each control character (below 32, DEL,
// and the bytes that Windows-1252 leaves to the C1 controls) shown as "?".
std::string TerminalText(const std::string& text, bool separators = false);

}  // namespace quibel::qpack
