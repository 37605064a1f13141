#pragma once
// The version a stub carries in its version resource, as Windows' file properties show it ("4.1.0.0"): what
// `qpack --version` names beside its own, so that a packager sees which installer program qpack would write.

#include <optional>
#include <string>

#include "payload/ByteSource.h"

namespace quibel::qpack {

// The file version of the image's version resource (its fixed part, four numbers); nullopt when it has none.
std::optional<std::string> StubFileVersion(ByteSource& image);

}  // namespace quibel::qpack
