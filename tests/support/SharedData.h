#pragma once
// Where the data shared between projects lies (the lh5 corpus, the benchmark corpus): the QUIBEL_SHARED
// environment variable, set by ctest. Tests that need it skip with a message when it is absent.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quibel::testing {

inline std::optional<std::filesystem::path> SharedDirectory() {
    const char* value = std::getenv("QUIBEL_SHARED");
    if (value == nullptr || *value == '\0' || !std::filesystem::is_directory(value)) {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

}  // namespace quibel::testing
