#pragma once
// What qpack prints of names, paths, link targets, banner lines and arguments: they come from packages, file
// systems and command lines, where a line feed would forge lines and an escape sequence would drive the terminal.
// Control characters show as "?", as ls shows them on a terminal. Every message and listing goes through
// ShownText; TerminalText and DisplayPath (TreeScanner.h) are its two doors for Windows-1252 text and host paths.

#include <string>

namespace quibel::qpack {

// Text in the host's encoding (UTF-8 on Linux, the ANSI code page on Windows) with each control character (C0,
// DEL, C1) and each byte that forms no character shown as "?".
std::string ShownText(const std::string& hostText);

// Windows-1252 text in the host's encoding (and separators, when asked), through ShownText.
std::string TerminalText(const std::string& text, bool separators = false);

}  // namespace quibel::qpack
