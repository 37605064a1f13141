#pragma once
// The command line shared by pack and installer: DIR -o FILE [--banner TEXT]... [-j N] [--stub STUB.exe].

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/qpack/Commands.h"

namespace quibel::qpack {

struct PackArguments {
    std::string directory;
    std::string output;
    std::string stub;                      // installer only
    std::vector<std::string> bannerLines;  // Windows-1252
    int threads = 0;                       // all cores
    bool best = false;                     // smallest output, at several times the time
    bool help = false;
};

// Parses the arguments; nullopt after printing the usage problem (exit code 2).
std::optional<PackArguments> ParsePackArguments(const char* command,
                                                const Arguments& arguments,
                                                bool wantsStub,
                                                int& exitCode);

int DefaultThreadCount();

// Prints the scan's warnings (long paths) on stderr.
void PrintWarnings(const std::vector<std::string>& warnings);

// A path given on the command line (UTF-8 on Linux, the ANSI code page on Windows) as a host path.
std::filesystem::path HostPathFromArgument(const std::string& argument);

// True when stderr is a terminal (progress lines are for people, not for logs).
bool StderrIsTerminal();

}  // namespace quibel::qpack
