#pragma once
// What may follow a package's entry tree. Packages end their tree with one closing tag per open list, so that the
// installer's walk ends inside the payload; then comes the digest record (PackageDigest.h). Signing appends 0 to
// 7 zero bytes and the certificate table that the PE security directory names, running to the end of the file;
// removing the signature leaves those zero bytes behind. Files of an older qpack end at their last entry, or
// (installers) at their closing tags.

#include <cstdint>
#include <optional>
#include <string>

#include "payload/ByteSource.h"
#include "tools/qpack/pe/PortableExecutable.h"

namespace quibel::qpack {

// ExtractTree calls after a finished walk that must meet no DirectoryTag (each reads one tag): the installer
// neither reloads nor rewinds its stream after a failure, so a second run reads on from where the walk ended.
inline constexpr std::size_t kFurtherExtractTreeCalls = 30;
inline constexpr std::int64_t kLargestSigningPadding = 7;  // signing aligns the certificate table on 8 bytes

// The signature's place in the file, when the file is a signed PE image.
struct Signature {
    std::optional<CertificateTable> table;  // nullopt: not signed
    std::optional<std::string> problem;     // a table that does not run to the end of the file, or lies outside it
};
Signature FindSignature(ByteSource& file);

// Where the entry tree must end: the certificate table's offset in a soundly signed file, else the file's end.
std::int64_t TreeLimit(ByteSource& file, const Signature& signature);

// What is wrong with the bytes from end (just after the closing tags) to the end of the file: nothing may stand
// there but a digest record, then in a PE image 0 to 7 zero bytes, then in a signed one the certificate table.
std::optional<std::string> TrailerProblem(ByteSource& file, std::int64_t end, const Signature& signature);

// Replays the installer's walk over the bytes from offset, openLists lists still open: it reads one tag per open
// list, each foreign tag ending one list, until all are ended or the data is; then each further ExtractTree call
// reads one tag. Returns the offset of the first entry tag the walk would take for an entry, or of the first
// DirectoryTag a further call would, or -1.
std::int64_t EntryTagInInstallerWalk(ByteSource& file, std::int64_t offset, std::size_t openLists);

}  // namespace quibel::qpack
