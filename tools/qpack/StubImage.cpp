#include "tools/qpack/StubImage.h"

#include "payload/PackageFormat.h"
#include "tools/qpack/PackError.h"

namespace quibel::qpack {

namespace {

constexpr std::size_t kNewHeaderOffsetField = 0x3C;  // e_lfanew in the DOS header

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void CheckPortableExecutable(const std::vector<std::uint8_t>& stub, const std::string& stubName) {
    if (stub.size() < kNewHeaderOffsetField + 4 || stub[0] != 'M' || stub[1] != 'Z') {
        throw PackError(stubName + ": not a PE executable (no MZ header)");
    }
    std::uint32_t offset = 0;
    for (int i = 3; i >= 0; --i) {
        offset = offset << 8 | stub[kNewHeaderOffsetField + static_cast<std::size_t>(i)];
    }
    if (offset < kNewHeaderOffsetField + 4 || offset > stub.size() - 4 || stub[offset] != 'P' ||
        stub[offset + 1] != 'E' || stub[offset + 2] != 0 || stub[offset + 3] != 0) {
        throw PackError(stubName + ": not a PE executable (no PE signature at the offset its MZ header gives)");
    }
}

}  // namespace

std::vector<std::uint8_t> InstallerLeadingImage(const std::vector<std::uint8_t>& stub, const std::string& stubName) {
    CheckPortableExecutable(stub, stubName);
    int run = 0;
    for (std::size_t offset = PayloadScanStart; offset + 2 <= stub.size(); offset += 2) {
        run = WordAt(stub, offset) == MarkerWord ? run + 1 : 0;
        if (run == MarkerWordCount) {
            throw PackError(stubName + ": holds the payload marker (four \"ET\" words) at offset " +
                            std::to_string(offset - 2 * (MarkerWordCount - 1)) +
                            "; the installer would find it before the payload");
        }
    }
    std::vector<std::uint8_t> image = stub;
    if (image.size() < static_cast<std::size_t>(PayloadScanStart)) {
        image.resize(PayloadScanStart, 0);
    }
    if (image.size() % 2 != 0) {
        image.push_back(0);
    }
    if (image.size() >= static_cast<std::size_t>(PayloadScanStart) + 2 &&
        WordAt(image, image.size() - 2) == MarkerWord) {
        image.insert(image.end(), 2, 0);
    }
    return image;
}

}  // namespace quibel::qpack
