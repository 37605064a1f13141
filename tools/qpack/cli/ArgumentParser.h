#pragma once
// Reads one command's arguments by its entry in the command table (CommandTable.h), with CLI11: options as -j 2, -j2,
// --jobs 2 or --jobs=2 (the value all of that word, an empty one too, never the next word), flags bundled as -vq,
// "--" ending the options. Every problem is said in qpack's words, naming the option as it was typed and what it
// expected; a mistyped option is named with the nearest known one.

#include <stdexcept>
#include <string>
#include <vector>

#include "tools/qpack/cli/CommandTable.h"

namespace quibel::qpack {

// A command line that cannot be used: what() is the message after "qpack CMD: error: "; exit code 2, with the
// command's usage.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ParsedCommand {
    CommandOptions options;
    bool help = false;  // -h or --help: the command's help is all that is asked
};

// Throws UsageError.
ParsedCommand ParseArguments(const CommandEntry& command, const std::vector<std::string>& arguments);

// "a number from 1 to 256": what a number option takes, for its help and its messages.
std::string NumberRange(const OptionEntry& option);

}  // namespace quibel::qpack
