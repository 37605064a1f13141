#pragma once
// Command-line arguments (UTF-8 on every host) as what the commands take: host paths, paths for the installer's
// file system, banner lines; and the facts of the host a command line depends on.

#include <filesystem>
#include <string>
#include <vector>

namespace quibel::qpack {

// The arguments after the program name, in UTF-8: argv as it is on Linux; on Windows the UTF-16 command line,
// so that a path outside the ANSI code page can still be named.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

std::filesystem::path HostPathFromArgument(const std::string& argument);

// A path for the installer's own file system (extract, decode), whose Windows calls take ANSI names: PackError
// naming the path when it has no form there.
std::string InstallerPathFromArgument(const std::string& argument);

// A banner line in Windows-1252, the package's text encoding; PackError when it has no such form or holds a
// control character other than a tab.
std::string BannerLineFromArgument(const std::string& argument);

int DefaultThreadCount();

// True when stderr is a terminal (progress lines are for people, not for logs).
bool StderrIsTerminal();

}  // namespace quibel::qpack
