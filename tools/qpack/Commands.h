#pragma once
// The commands of qpack, each run with the options its command line gave (CommandLine.h parses them). Each
// returns the process exit code: 0 success, 1 failure (the problems on stderr), 2 usage error.
// Arguments are UTF-8 on every host (on Windows the command line is read in UTF-16 and converted).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

// pack and installer.
struct PackOptions {
    std::string directory;
    std::string output;
    std::string stub;                      // installer only
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
    std::optional<std::int32_t> from;  // the scan start; by default 400000 for a PE executable, else 0
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

int RunPack(const PackOptions& options);
int RunInstaller(const PackOptions& options);
int RunList(const InspectOptions& options);
int RunVerify(const InspectOptions& options);
int RunExtract(const ExtractOptions& options);
int RunDecode(const DecodeOptions& options);

}  // namespace quibel::qpack
