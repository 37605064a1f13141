#include "tools/qpack/common/Sha256.h"

#include <gcrypt.h>

#include <stdexcept>

namespace quibel::qpack {

namespace {

// libgcrypt wants its version checked once before any other call; qpack uses it for digests only, which need
// no secure memory.
void InitialiseOnce() {
    static const bool initialised = [] {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    static_cast<void>(initialised);
}

}  // namespace

Sha256::Sha256() {
    InitialiseOnce();
    if (gcry_md_open(&handle_, GCRY_MD_SHA256, 0) != 0) {
        throw std::runtime_error("libgcrypt has no SHA-256");
    }
}

Sha256::~Sha256() {
    gcry_md_close(handle_);
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
    gcry_md_write(handle_, bytes.data(), bytes.size());
}

std::string Sha256::HexDigest() {
    const unsigned char* digest = gcry_md_read(handle_, GCRY_MD_SHA256);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned i = 0; i < gcry_md_get_algo_dlen(GCRY_MD_SHA256); ++i) {
        hex.push_back(digits[digest[i] >> 4]);
        hex.push_back(digits[digest[i] & 15]);
    }
    return hex;
}

}  // namespace quibel::qpack
