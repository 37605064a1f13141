#include "tools/qpack/cli/CommandLine.h"

#include <cstdio>

#include "tools/qpack/cli/ArgumentParser.h"
#include "tools/qpack/cli/CommandTable.h"
#include "tools/qpack/cli/HelpText.h"
#include "tools/qpack/cli/NearestName.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/StandardOutput.h"

namespace quibel::qpack {

namespace {

int UsageProblem(const std::string& command, const std::string& problem, const std::string& usage) {
    PrintError(command, problem);
    std::fputs(usage.c_str(), stderr);
    return 2;
}

// The name of the command a first argument stands for: itself, or the command an option before any command
// stands for.
std::string CommandName(const std::string& first) {
    if (first == "-h" || first == "--help") {
        return "help";
    }
    if (first == "-V" || first == "--version") {
        return "version";
    }
    return first;
}

// An option before any command: the tool's own, or one that goes after a command's name.
std::string MisplacedOption(const std::string& option) {
    const std::string name = option.substr(0, option.find('='));
    for (const CommandEntry& command : QpackCommands()) {
        for (const OptionEntry& entry : command.options) {
            if (name == std::string("--") + entry.longName ||
                (entry.shortName != 0 && name == std::string("-") + entry.shortName)) {
                return name + " goes after the command's name (qpack " + command.name + " " + name + " ...)";
            }
        }
    }
    const auto nearest = NearestName(name, {"--help", "--version"});
    return "unknown option " + name + (nearest ? "; did you mean " + *nearest + "?" : "") +
           "; before a command, qpack takes -h, --help, -V and --version";
}

// A command whose listing or log did not all reach stdout has failed, whatever it did besides (as tar's "write
// error"); a failure it already reported stands as it is.
int WithStandardOutputChecked(const std::string& command, int exitCode) {
    const auto failure = StandardOutputFailure();
    if (exitCode != 0 || !failure) {
        return exitCode;
    }
    PrintError(command, "standard output: " + *failure);
    return 1;
}

// Runs the command line; command receives the name of the command run, if any.
int RunTool(const std::vector<std::string>& arguments, std::string& command) {
    if (arguments.empty()) {
        std::fputs(ToolUsage().c_str(), stderr);
        std::fputs("'qpack help' lists the commands.\n", stderr);
        return 2;
    }
    const std::string name = CommandName(arguments.front());
    const CommandEntry* entry = FindCommand(name);
    if (entry == nullptr) {
        const std::string problem = name[0] == '-' && name.size() > 1 ? MisplacedOption(name) : UnknownCommand(name);
        return UsageProblem("", problem, ToolUsage());
    }
    command = entry->name;
    try {
        const ParsedCommand parsed =
            ParseArguments(*entry, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
        if (parsed.help) {
            WriteStandardOutput(CommandHelp(*entry));
            return 0;
        }
        return entry->run(parsed.options);
    } catch (const UsageError& problem) {
        return UsageProblem(command, problem.what(), CommandUsage(*entry));
    }
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments) {
    std::string command;
    int exitCode = 1;
    try {
        exitCode = RunTool(arguments, command);
    } catch (const std::exception& failure) {
        PrintError(command, failure.what());  // a failure that no command caught: standard output, say
    }
    return WithStandardOutputChecked(command, exitCode);
}

}  // namespace quibel::qpack
