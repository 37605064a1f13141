#pragma once
// The few facts qpack reads from a PE image's headers: where its "PE\0\0" signature stands, and the certificate
// table that signing appends (the security directory, data directory entry 4 of the optional header).

#include <cstdint>
#include <optional>
#include <vector>

namespace quibel::qpack {

// The offset of the PE signature that the MZ header's e_lfanew names; nullopt when there is none.
std::optional<std::size_t> PeSignatureOffset(const std::vector<std::uint8_t>& image);

// The security directory of a signed image. Unlike the other data directories it holds a file offset, not an
// address in memory.
struct CertificateTable {
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

// The certificate table the image's security directory names; nullopt for an image that is no PE (or whose
// optional header is cut short) or whose security directory is empty.
std::optional<CertificateTable> FindCertificateTable(const std::vector<std::uint8_t>& image);

}  // namespace quibel::qpack
