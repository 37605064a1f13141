#pragma once
// The known name a mistyped one most likely meant, for "did you mean" in a usage error.

#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

// The candidate within two edits of typed (an insertion, a deletion, a change, or two neighbours swapped), the
// nearest one first in candidates' order; none when every candidate is further, or as far as half of typed.
std::optional<std::string> NearestName(const std::string& typed, const std::vector<std::string>& candidates);

}  // namespace quibel::qpack
