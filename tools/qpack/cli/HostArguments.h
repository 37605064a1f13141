#pragma once
// Command-line arguments (UTF-8 on every host) as what the commands take: host paths and banner lines; and the
// facts of the host a command line depends on.

#include <filesystem>
#include <string>
#include <vector>

namespace quibel::qpack {

// The arguments after the program name, in UTF-8: argv as it is on Linux; on Windows the UTF-16 command line,
// so that a path outside the ANSI code page can still be named.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

std::filesystem::path HostPathFromArgument(const std::string& argument);

// A banner line in Windows-1252, the package's text encoding, composed (NFC) first; PackError when it has no such
// form or holds a control character other than a tab.
std::string BannerLineFromArgument(const std::string& argument);

int DefaultThreadCount();

}  // namespace quibel::qpack
