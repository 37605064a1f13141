#pragma once
// The terminal behind stderr, for what is meant for people watching: the progress line.

#include <cstddef>

namespace quibel::qpack {

// True when stderr is a terminal.
bool StderrIsTerminal();

// The width of that terminal in columns; 80 when it cannot be had.
std::size_t StderrColumns();

}  // namespace quibel::qpack
