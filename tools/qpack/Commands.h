#pragma once
// The commands of qpack. Each takes the arguments after its name and returns the process exit code:
// 0 success, 1 failure (message on stderr), 2 usage error (usage on stderr).

#include <string>
#include <vector>

namespace quibel::qpack {

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* summary;
    const char* usage;
    int (*run)(const Arguments& arguments);
};

// Every command, in the order --help lists them.
const std::vector<Command>& AllCommands();

int RunDecode(const Arguments& arguments);
int RunExtract(const Arguments& arguments);
int RunPack(const Arguments& arguments);
int RunInstaller(const Arguments& arguments);
int RunList(const Arguments& arguments);
int RunVerify(const Arguments& arguments);

// Prints a command's usage on stderr and returns the usage exit code.
int UsageError(const char* commandName, const std::string& problem);

}  // namespace quibel::qpack
