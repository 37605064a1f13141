#pragma once
// What pack and installer share: the tree read and checked whole before anything is written, the payload's
// options taken from the command line, warnings that --warnings-as-errors makes fatal, and the closing summary.

#include <functional>
#include <string>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/tree/TreeScanner.h"
#include "tools/qpack/write/PayloadBuilder.h"

namespace quibel::qpack {

// Scans the tree (options.arguments[0], following links with --follow-links) with the output checked not to lie
// inside it, nor inside a directory a followed link leads to, and prints its warnings. Throws TreeProblems listing
// everything wrong in the tree (the command prints one "qpack COMMAND: error: ..." line each) or PackError.
ScannedTree ScanPackInput(const std::string& command, const CommandOptions& options);

PayloadOptions PayloadOptionsFrom(const CommandOptions& options);

// With --warnings-as-errors, a PackError once any warning has been printed: the output is not written.
void RefuseWarnings(const CommandOptions& options);

// Runs what pack or installer does, and gives its exit code: 0, or 1 once every tree problem or the failure is
// printed, one "qpack COMMAND: error: ..." line each.
int RunPackingCommand(const std::string& command, const std::function<void()>& pack);

// "qpack pack: FILE: N directories, N files, N bytes stored, N decoded" on stderr, unless -q; after it, more (the
// installer's size).
void PrintPackSummary(const std::string& command,
                      const CommandOptions& options,
                      const PayloadSummary& summary,
                      const std::string& more = "");

}  // namespace quibel::qpack
