#pragma once
// The speech engine's settings file templates: one line each, "%rep" standing for the speech-engine directory.

#include <string>
#include <vector>

namespace quibel {

using SpeechTemplate = std::vector<std::string>;

}  // namespace quibel
