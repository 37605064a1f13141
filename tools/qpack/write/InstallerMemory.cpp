#include "tools/qpack/write/InstallerMemory.h"

#include <algorithm>

namespace quibel::qpack {

std::optional<InstallerMemoryPeak> LargestInstallerMemoryPeak(std::uint64_t installerSize,
                                                              const std::vector<StoredFile>& files) {
    std::optional<InstallerMemoryPeak> peak;
    for (const StoredFile& file : files) {
        const std::uint64_t bytes = installerSize + static_cast<std::uint64_t>(std::max(file.blockLength, 0)) +
                                    static_cast<std::uint64_t>(std::max(file.decodedSize, 0));
        if (!peak || bytes > peak->bytes) {
            peak = InstallerMemoryPeak{bytes, file.path};
        }
    }
    return peak;
}

std::optional<std::string> InstallerMemoryWarning(std::uint64_t installerSize, const std::vector<StoredFile>& files) {
    const auto peak = LargestInstallerMemoryPeak(installerSize, files);
    if (!peak || peak->bytes <= InstallerMemoryLimit) {
        return std::nullopt;
    }
    const auto megabytes = [](std::uint64_t bytes) { return std::to_string(bytes / 1'000'000); };
    return peak->file + ": installing it needs the installer, its block and its content in memory at once, " +
           megabytes(peak->bytes) + " MB, above the " + megabytes(InstallerMemoryLimit) +
           " MB that the 32-bit installer can hold; it would fail with \"out of memory\" on the user's machine";
}

}  // namespace quibel::qpack
