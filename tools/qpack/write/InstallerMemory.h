#pragma once
// What the 32-bit installer holds in memory while it installs a file: the whole installer file, that file's
// compressed block and its decoded content, three allocations side by side. Beyond a certain sum its address space
// can't hold them and the installation fails on the user's machine with "Mémoire insuffisante lors de l'extension
// du flux mémoire", though the package is sound; `qpack installer` warns of it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

// The largest installer file + block + decoded file that the installer (linked large-address-aware) handled under
// Wine 8: the smallest of the sums that bench/largefile/run-largefile-bench.sh prints for it.
inline constexpr std::uint64_t InstallerMemoryLimit = 1'884'000'000;

// One file of a package as the installer holds it while it installs it.
struct StoredFile {
    std::string path;              // as messages show it: the host path it was packed from
    std::int32_t blockLength = 0;  // as stored: 4 + the block's size
    std::int32_t decodedSize = 0;  // from the block's size field
};

struct InstallerMemoryPeak {
    std::uint64_t bytes = 0;  // installer file + block + decoded size
    std::string file;         // its path as StoredFile gives it
};

// The file of the package whose installation needs the most memory; none when the package holds no file.
std::optional<InstallerMemoryPeak> LargestInstallerMemoryPeak(std::uint64_t installerSize,
                                                              const std::vector<StoredFile>& files);

// The warning for an installer whose peak exceeds InstallerMemoryLimit, naming the file; none when it fits.
std::optional<std::string> InstallerMemoryWarning(std::uint64_t installerSize, const std::vector<StoredFile>& files);

}  // namespace quibel::qpack
