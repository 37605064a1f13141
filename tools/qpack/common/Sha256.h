#pragma once
// SHA-256 from libgcrypt, fed piece by piece.

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct gcry_md_handle;

namespace quibel::qpack {

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(std::span<const std::uint8_t> bytes);
    // The digest of everything added, as 64 lower-case hexadecimal digits.
    std::string HexDigest();

  private:
    gcry_md_handle* handle_ = nullptr;
};

}  // namespace quibel::qpack
