#pragma once
// The leading part of an installer: the stub executable, padded with zeros to an even length of at least
// PayloadScanStart, so that the payload appended to it is the first marker the installer finds.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel::qpack {

// Throws PackError (naming stubName) when the stub is not the installer program (see StubIdentity.h), is
// signed (a security directory) or holds four MarkerWord values in a row at an even distance of PayloadScanStart
// or more. When the padded image would end in a MarkerWord at such a distance, two more zero bytes go after it:
// that word and the payload's marker would otherwise read as one longer run, and the installer would take the
// wrong bytes for the banner.
std::vector<std::uint8_t> InstallerLeadingImage(const std::vector<std::uint8_t>& stub, const std::string& stubName);

}  // namespace quibel::qpack
