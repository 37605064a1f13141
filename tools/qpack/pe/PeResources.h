#pragma once
// Resources of a PE image, read from its resource directory (data directory 2): three levels, type, name and
// language, each keyed by a number or by a name, down to a data entry that gives the resource's address and size.
// qpack reads the installer's manifest from the stub with it, and the stub's version resource.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "payload/ByteSource.h"

namespace quibel::qpack {

inline constexpr std::uint16_t kResourceTypeVersion = 16;   // RT_VERSION
inline constexpr std::uint16_t kResourceTypeManifest = 24;  // RT_MANIFEST

// A resource's type or name as the directory keys it: a number, or a name (ASCII, compared without regard to
// letter case, as Windows compares them).
struct ResourceKey {
    std::optional<std::uint16_t> id;
    std::string name;

    static ResourceKey Id(std::uint16_t number) { return {number, {}}; }
    static ResourceKey Name(std::string text) { return {std::nullopt, std::move(text)}; }
};

// The bytes of the resource of that type and name, in the first language the directory lists for it; nullopt
// when the image has none, or when its directory or data lie outside the file.
std::optional<std::vector<std::uint8_t>> FindResource(ByteSource& image,
                                                      const ResourceKey& type,
                                                      const ResourceKey& name);

}  // namespace quibel::qpack
