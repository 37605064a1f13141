#pragma once
// The commands of qpack, each run with the options its command line gave (CommandLine.h parses them). Each
// returns the process exit code: 0 success, 1 failure (the problems on stderr), 2 usage error.
// Arguments are UTF-8 on every host (on Windows the command line is read in UTF-16 and converted).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

// pack and installer.
struct PackOptions {
    std::string directory;
    std::string output;
    std::string stub;                      // installer only; empty: the one installed with qpack
    std::vector<std::string> bannerLines;  // UTF-8 as given
    int jobs = 0;                          // 0: all cores
    bool best = false;                     // smallest output, at several times the time
    bool followLinks = false;              // pack what symbolic links name instead of refusing them
    bool quiet = false;                    // warnings and errors only
    bool verbose = false;                  // one line per file
};

// list and verify.
struct InspectOptions {
    std::string file;
    std::optional<std::int32_t> from;  // the scan start; by default the one of the file's role (PackageRole.h)
    bool quiet = false;
};

struct ExtractOptions {
    std::string package;
    std::string directory;
    std::optional<std::int32_t> from;
    bool quiet = false;        // no log line per entry
    bool asInstaller = false;  // write entries glued beside the directory, as the installer does
};

struct DecodeOptions {
    std::string block;
    std::string output;
};

// The stub that installer takes: --stub, else the one installed with qpack (DefaultStub.h); PackError naming the
// path looked at when that one is missing.
std::filesystem::path InstallerStub(const PackOptions& options);

int RunPack(const PackOptions& options);
int RunInstaller(const PackOptions& options);
int RunList(const InspectOptions& options);
int RunVerify(const InspectOptions& options);
int RunExtract(const ExtractOptions& options);
int RunDecode(const DecodeOptions& options);
// qpack's version and the default stub's.
int RunVersion();

}  // namespace quibel::qpack
