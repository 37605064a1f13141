#pragma once
// qpack's command line: the command's name, then its options and arguments, read alike for every command from the
// command table (CommandTable.h). "qpack --help" and "-h" stand for "qpack help", "--version" and "-V" for
// "qpack version". A usage problem prints "qpack CMD: error: ..." and the command's usage lines on stderr and
// gives exit code 2.

#include <string>
#include <vector>

namespace quibel::qpack {

// Runs the command the arguments name (the arguments after the program name, UTF-8); returns the exit code.
int RunCommandLine(const std::vector<std::string>& arguments);

}  // namespace quibel::qpack
