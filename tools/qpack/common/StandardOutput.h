#pragma once
// qpack's standard streams: a listing or log that cannot be written ends the command with an error instead of
// passing for done, and no file a command opens ever takes the place of a closed standard stream.

#include <optional>
#include <string>

namespace quibel::qpack {

// Opens the null device on each of descriptors 0 to 2 that is closed: with stdout closed, the first file a
// command created (its temporary output) would take descriptor 1 and receive the lines meant for stdout.
void OpenClosedStandardStreams();

// Writes text to stdout, and flushes it when asked (a line shown between progress lines); PackError
// "standard output: REASON" when it cannot be written.
void WriteStandardOutput(const std::string& text, bool flush = false);

// Flushes stdout before a message goes to stderr, keeping the reason of a failure for StandardOutputFailure.
void FlushStandardOutput();

// Flushes stdout and tells why a write to it failed, now or earlier in the command; nothing when all went out.
std::optional<std::string> StandardOutputFailure();

}  // namespace quibel::qpack
