#pragma once
// qpack's commands as data: each one's arguments and options with their help texts. The parser
// (ArgumentParser.h) and the help (HelpText.h) are both made from them, so that the two never disagree.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/qpack/cli/Commands.h"

namespace quibel::qpack {

// What a value stands for: it decides how the value is checked, and why "-" is refused for it.
enum class ValueKind {
    Flag,             // an option without a value
    Number,           // decimal digits within the option's range
    Text,             // anything
    Directory,        // a directory that is read
    Input,            // a file that is read at offsets: a package, a block, a stub
    Output,           // a file that is written whole or not at all
    OutputDirectory,  // a directory that is written into
    Name,             // a word the command looks up itself (a command's name, an entry of a package)
};

struct OptionEntry {
    char shortName = 0;               // 0: none
    const char* longName = "";        // without its dashes
    const char* valueName = nullptr;  // "N", "FILE" as the usage line names it; nullptr for a flag
    ValueKind kind = ValueKind::Flag;
    const char* help = "";
    std::function<void(CommandOptions&, const std::string& value)> set;  // the value checked; "" for a flag
    std::int64_t low = 0;                                                // a Number's range
    std::int64_t high = 0;
    bool repeatable = false;            // each use adds a value (--banner); else a second one is refused
    bool required = false;              // the command needs it; shown in the usage line
    const char* contradicts = nullptr;  // the long name of an option it cannot go with
};

struct ArgumentEntry {
    const char* name = "";  // "DIR", "FILE"
    ValueKind kind = ValueKind::Text;
    const char* help = "";
    bool several = false;   // one or more: FILE...
    bool optional = false;  // [COMMAND]
};

struct CommandEntry {
    const char* name = "";
    const char* summary = "";                       // its line in qpack's help
    std::vector<std::vector<ArgumentEntry>> forms;  // the arguments of each usage line
    std::vector<OptionEntry> options;               // -h, --help comes with every command
    std::string description;                        // paragraphs separated by "\n", wrapped by the help
    std::function<int(const CommandOptions&)> run;  // may throw UsageError
};

// Every command, in the order qpack's help lists them.
const std::vector<CommandEntry>& QpackCommands();

// The command of that name; nullptr when there is none.
const CommandEntry* FindCommand(const std::string& name);

// "unknown command "NAME"; the commands: pack, ...".
std::string UnknownCommand(const std::string& name);

}  // namespace quibel::qpack
