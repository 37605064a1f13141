#pragma once
// The commands of qpack, each run with what its command line gave (CommandTable.h declares each command's
// arguments and options, ArgumentParser.h reads them). Each returns the process exit code: 0 success, 1 failure
// (the problems on stderr), 2 usage error. Arguments are UTF-8 on every host (on Windows the command line is read
// in UTF-16 and converted).
//
// Streams, for every command: results on stdout (list's banner and tree, verify's line per package, pack's line
// per file with -v, extract's log as the installer writes it, help and version); everything else on stderr:
// notes, warnings, errors, the progress line (on a terminal only) and the closing summary (unless -q).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

struct CommandOptions {
    std::vector<std::string> arguments;    // in the order of the command's usage line
    std::string output;                    // -o
    std::string stub;                      // --stub; empty: the one installed with qpack
    std::vector<std::string> bannerLines;  // UTF-8 as given
    int jobs = 0;                          // 0: all cores
    std::optional<std::int32_t> from;      // the scan start; by default the one of the file's role (PackageRole.h)
    bool best = false;                     // smallest output, at several times the time
    bool followLinks = false;              // pack what symbolic links name instead of refusing them
    bool asInstaller = false;              // extract: write entries glued beside the directory, as the installer
    bool warningsAsErrors = false;         // a warning fails the run, nothing written
    bool quiet = false;                    // errors and warnings only
    bool verbose = false;                  // more lines of results, and the notes
    bool tabs = false;                     // list: one tab-separated line per entry, for programs
    bool names = false;                    // list: the paths only
};

// The stub that installer takes: --stub, else the one installed with qpack (DefaultStub.h); PackError naming the
// path looked at when that one is missing.
std::filesystem::path InstallerStub(const CommandOptions& options);

int RunPack(const CommandOptions& options);
int RunInstaller(const CommandOptions& options);
int RunList(const CommandOptions& options);
int RunVerify(const CommandOptions& options);
int RunExtract(const CommandOptions& options);
int RunDecode(const CommandOptions& options);
// qpack's version and the default stub's.
int RunVersion(const CommandOptions& options);

}  // namespace quibel::qpack
