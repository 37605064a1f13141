#pragma once
// The byte map of a package file, shared by the installer's reader and by qpack.
//
//   offset        size      field
//   0             any       leading data, not interpreted (the installer's executable image; nothing in a side archive)
//   M             8         marker: four MarkerWord values, "ETETETET", at an even distance from the scan start
//   M + 8         2         reserved, written as 0
//   M + 10        4         banner line count (signed; 0 or below: no lines)
//   M + 14        ...       banner lines, each a length-prefixed string
//   ...           ...       entry tree, up to the end of the data
//
// Length-prefixed string: int32 length n, then n bytes of Windows-1252 text; n <= 0 is the empty string.
// Directory entry: DirectoryTag, name (path from the base: "\data\sounds"; empty for the base itself).
// File entry:      FileTag, name (plain file name); when the name is not empty: int32 block length L
//                  (counting its own 4 bytes), then L - 4 bytes of compressed block (int32 decoded size + lh5 bits).
// Canonical form: root entry with the empty name, directories in pre-order each followed at once by its files,
// no other tags, nothing after the last entry. All integers are little-endian.
// Packages that qpack writes, installers and side archives alike, depart from it at the end: the tree is followed
// by one ClosingTag per directory entry (the reader opens one list per directory entry, and a foreign tag ends one
// list), so that the reader's walk ends inside the payload; then comes qpack's digest record, printable text that
// the reader never reaches, and in a signed installer what signing appends (0 to 7 zero bytes and the certificate
// table).
//
// The marker is never stored as one 8-byte constant: the installer's own image must not contain it.

#include <cstdint>

namespace quibel {

inline constexpr std::uint16_t MarkerWord = 0x5445;    // bytes 45 54, "ET"
inline constexpr int MarkerWordCount = 4;              // four in a row make the marker
inline constexpr std::uint16_t DirectoryTag = 0xDC19;  // bytes 19 DC
inline constexpr std::uint16_t FileTag = 0xB520;       // bytes 20 B5
inline constexpr std::uint16_t ClosingTag = 0x0000;    // bytes 00 00: neither entry tag, ends one open list
inline constexpr std::int32_t PayloadScanStart = 400000;
inline constexpr std::int32_t BlockLengthFieldSize = 4;
inline constexpr std::int32_t DecodedSizeFieldSize = 4;
inline constexpr std::int32_t MinimumBlockLength = BlockLengthFieldSize + DecodedSizeFieldSize;

static_assert(PayloadScanStart % 2 == 0, "the scan reads whole words from an even offset");

}  // namespace quibel
