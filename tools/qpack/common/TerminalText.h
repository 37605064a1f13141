#pragma once
// What qpack prints of names, paths, link targets, banner lines and arguments: they come from packages, file
// systems and command lines, where a line feed would forge lines, an escape sequence would drive the terminal and
// a bidirectional mark would reorder what follows (src/<U+202E>txt.exe shows as src/exe.txt). Every message and
// listing goes through ShownText; TerminalText and DisplayPath (DisplayPath.h) are its two doors for
// Windows-1252 text and host paths.

#include <string>

namespace quibel::qpack {

// Text in the host's encoding (UTF-8 on Linux, the ANSI code page on Windows) with each character a terminal
// would not show as itself escaped: \t and \n; \uXXXX (\UXXXXXXXX) for the other controls, the format characters
// (bidirectional marks, embeddings and isolates, zero-width characters, the soft hyphen), the line and paragraph
// separators and unassigned code points; \xHH for a byte that forms no character.
std::string ShownText(const std::string& hostText);

// Windows-1252 text in the host's encoding (and separators, when asked), through ShownText.
std::string TerminalText(const std::string& text, bool separators = false);

// A Windows-1252 name for a listing that programs read (list --tabs, --names): as TerminalText, and a backslash
// shown as \\ and a slash as \/, so that every escape can be undone and two names never show alike.
std::string ListedName(const std::string& text);

}  // namespace quibel::qpack
