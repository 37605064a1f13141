#pragma once
// qpack's command line: the command's name, then its options and arguments, parsed alike for every command.
// "qpack --version", "qpack --help" and "qpack help CMD" need no command. A usage problem prints
// "qpack CMD: error: ..." and the command's usage line on stderr and gives exit code 2.

#include <string>
#include <vector>

namespace quibel::qpack {

// Runs the command the arguments name (the arguments after the program name, UTF-8); returns the exit code.
int RunCommandLine(const std::vector<std::string>& arguments);

}  // namespace quibel::qpack
