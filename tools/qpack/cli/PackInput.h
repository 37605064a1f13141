#pragma once
// What pack and installer share: the tree read and checked whole before anything is written, and the payload's
// options taken from the command line.

#include <functional>
#include <string>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/tree/TreeScanner.h"
#include "tools/qpack/write/PayloadBuilder.h"

namespace quibel::qpack {

// Scans options.directory (following links with --follow-links) with the output checked not to lie inside it,
// nor inside a directory a followed link leads to. Throws TreeProblems listing everything wrong in the tree (the
// command prints ProblemReport's lines, one "qpack COMMAND: error: ..." each) or PackError.
ScannedTree ScanPackInput(const std::string& command, const PackOptions& options);

PayloadOptions PayloadOptionsFrom(const PackOptions& options);

// Runs what pack or installer does, and gives its exit code: 0, or 1 once every tree problem or the failure is
// printed, one "qpack COMMAND: error: ..." line each.
int RunPackingCommand(const std::string& command, const std::function<void()>& pack);

// The closing summary of a run, on stderr for people: "N directories, N files, N bytes -> N bytes".
void PrintPackSummary(const std::string& command, const PackOptions& options, const PayloadSummary& summary);

}  // namespace quibel::qpack
