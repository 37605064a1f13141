#pragma once
// Locating the payload in a package file and reading its banner and length-prefixed strings.

#include <cstdint>
#include <string>

#include "payload/LineSink.h"
#include "payload/PayloadStream.h"

namespace quibel {

// Reads an int32 length n and n characters; n <= 0 gives the empty string and nothing more is read.
// EReadError when the data ends inside the length or the characters (the position then stands at the end).
std::string ReadLengthString(PayloadStream& stream);

// Scans whole words from start for four MarkerWord values in a row, then reads the banner into bannerLines.
// Found: the position stands at the first tag of the entry tree. Not found: the position stands at the end of the
// data (at start itself when that lies beyond the end) and nothing else has happened. EReadError when the data
// ends inside the banner. Returns whether the marker was found.
bool FindPayload(PayloadStream& stream, std::int32_t start, LineSink& bannerLines);

// Reads the reserved word, the banner line count and that many lines, appending each line to bannerLines.
void ReadBanner(PayloadStream& stream, LineSink& bannerLines);

}  // namespace quibel
