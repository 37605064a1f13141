#include "tools/qpack/pe/StubVersion.h"

#include "tools/qpack/pe/PeResources.h"

namespace quibel::qpack {

namespace {

// The fixed part of a version resource opens with this signature, then the structure's version, then the file
// version as two 32-bit words (major.minor, build.revision).
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoFileVersion = 8;

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
}

}  // namespace

std::optional<std::string> StubFileVersion(ByteSource& image) {
    constexpr std::uint16_t kFirstVersionResource = 1;  // VS_VERSION_INFO
    const auto resource =
        FindResource(image, ResourceKey::Id(kResourceTypeVersion), ResourceKey::Id(kFirstVersionResource));
    if (!resource) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& bytes = *resource;
    // The fixed part follows the resource's header and key at a 32-bit boundary: found by its signature.
    for (std::size_t at = 0; at + kFixedInfoFileVersion + 8 <= bytes.size(); at += 4) {
        if (Little32(bytes, at) != kFixedInfoSignature) {
            continue;
        }
        const std::uint32_t high = Little32(bytes, at + kFixedInfoFileVersion);
        const std::uint32_t low = Little32(bytes, at + kFixedInfoFileVersion + 4);
        return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) +
               "." + std::to_string(low & 0xFFFF);
    }
    return std::nullopt;
}

}  // namespace quibel::qpack
