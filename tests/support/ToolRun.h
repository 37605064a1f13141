#pragma once
// Runs a command-line tool through the shell, as its users run it, and keeps its exit code and its output
// (stdout and stderr together). POSIX hosts only.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace quibel::testing {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

inline ToolRun RunTool(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    ToolRun run;
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace quibel::testing
