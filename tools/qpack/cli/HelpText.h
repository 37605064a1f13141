#pragma once
// qpack's help, written from the command table (CommandTable.h) in lines of at most 80 columns: the usage lines,
// the description, the arguments and the options, each value named as in the usage line.

#include <string>
#include <vector>

#include "tools/qpack/cli/CommandTable.h"

namespace quibel::qpack {

// "usage: qpack pack [OPTIONS] DIR -o FILE", one line per form of the command.
std::string CommandUsage(const CommandEntry& command);
std::string CommandHelp(const CommandEntry& command);

// qpack's own usage lines, for a command line that names no command it knows.
std::string ToolUsage();
std::string ToolHelp(const std::vector<CommandEntry>& commands);

}  // namespace quibel::qpack
