#pragma once
// The check of a package against its digest record (common/PackageDigest.h), which verify and extract make before
// anything else.

#include <optional>
#include <string>

#include "payload/ByteSource.h"
#include "tools/qpack/common/PackageDigest.h"

namespace quibel::qpack {

struct DigestCheck {
    std::optional<DigestRecord> record;  // nullopt: the file holds none
    std::optional<std::string> damage;   // why the file does not match its record
};

// Finds the record where a package ends it (before a signed file's certificate table and before the 0 to 7 zero
// bytes that signing adds), and checks the file against it, reading it piece by piece.
DigestCheck CheckPackageDigest(ByteSource& file);

}  // namespace quibel::qpack
