// qpack: builds, inspects and extracts the packages that the installer carries.

#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/NativeFileSystem.h"
#include "tools/qpack/Commands.h"

namespace quibel::qpack {

namespace {

void PrintToolUsage(std::FILE* out) {
    std::fprintf(out, "usage: qpack COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const auto& command : AllCommands()) {
        std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
    }
    std::fprintf(out, "\n'qpack COMMAND --help' describes a command.\n");
}

const Command* FindCommand(const std::string& name) {
    for (const auto& command : AllCommands()) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int UsageError(const char* commandName, const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "qpack %s: %s\n", commandName, problem.c_str());
    }
    const Command* command = FindCommand(commandName);
    std::fprintf(stderr, "usage: %s\n", command != nullptr ? command->usage : "qpack COMMAND");
    return 2;
}

int Main(int argc, char** argv) {
    if (argc < 2) {
        PrintToolUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintToolUsage(stdout);
        return 0;
    }
    const Command* command = FindCommand(name);
    if (command == nullptr) {
        std::fprintf(stderr, "qpack: unknown command '%s'\n", name.c_str());
        PrintToolUsage(stderr);
        return 2;
    }
    const Arguments arguments(argv + 2, argv + argc);
    return command->run(arguments);
}

}  // namespace quibel::qpack

int main(int argc, char** argv) {
    try {
        return quibel::qpack::Main(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "qpack: %s\n", quibel::ToNativeText(failure.what(), false).c_str());
        return 1;
    }
}
