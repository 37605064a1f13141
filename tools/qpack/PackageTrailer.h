#pragma once
// What may follow a package's entry tree. An installer ends its tree with one closing tag per open list, so that
// the installer's walk ends inside the payload; signing then appends 0 to 7 zero bytes and the certificate table
// that the PE security directory names, running to the end of the file. A side archive ends at its last entry.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/qpack/PortableExecutable.h"

namespace quibel::qpack {

// The signature's place in the file, when the file is a signed PE image.
struct Signature {
    std::optional<CertificateTable> table;  // nullopt: not signed
    std::optional<std::string> problem;     // a table that does not run to the end of the file, or lies outside it
};
Signature FindSignature(const std::vector<std::uint8_t>& file);

// Where the entry tree must end: the certificate table's offset in a soundly signed file, else the file's end.
std::int64_t TreeLimit(const std::vector<std::uint8_t>& file, const Signature& signature);

// What is wrong with the bytes from end (just after the closing tags, or the last entry) to the end of the file:
// nothing may stand there but, in a signed file, 0 to 7 zero bytes and the certificate table.
std::optional<std::string> TrailerProblem(const std::vector<std::uint8_t>& file,
                                          std::int64_t end,
                                          const Signature& signature);

// Replays the installer's walk over the bytes from offset, openLists lists still open: it reads one tag per open
// list, each foreign tag ending one list, until all are ended or the data is. Returns the offset of the first
// entry tag it would read there (it would take it for an entry), or -1.
std::int64_t EntryTagInInstallerWalk(const std::vector<std::uint8_t>& file, std::int64_t offset, std::size_t openLists);

}  // namespace quibel::qpack
