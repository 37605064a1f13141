#pragma once
// What pack and installer share: the tree read and checked whole before anything is written, and the payload's
// options taken from the command line.

#include "tools/qpack/Commands.h"
#include "tools/qpack/PayloadBuilder.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

// Scans options.directory (following links with --follow-links) with the output checked not to lie inside it,
// nor inside a directory a followed link leads to. Throws TreeProblems listing everything wrong in the tree (the
// command prints ProblemReport's lines, one "qpack COMMAND: error: ..." each) or PackError.
ScannedTree ScanPackInput(const std::string& command, const PackOptions& options);

PayloadOptions PayloadOptionsFrom(const PackOptions& options);

// The closing summary of a run, on stderr for people: "N directories, N files, N bytes -> N bytes".
void PrintPackSummary(const std::string& command, const PackOptions& options, const PayloadSummary& summary);

}  // namespace quibel::qpack
