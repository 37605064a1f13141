#pragma once
// The digest record qpack writes after a package's closing tags and checks before anything else: the SHA-256 of
// every byte of the file before the record, the fields that signing rewrites in place (a PE image's checksum and
// security directory entry) counted as zeros, so that the stub is covered and signing keeps the digest valid.
// The installer never reads it: its walk ends at the closing tags.
//
//   "Quibel-SHA-256:" (15 bytes), the number of bytes covered (16 decimal digits, the record's own offset), ":",
//   the digest (64 lower-case hexadecimal digits): 96 bytes of printable ASCII.
//
// No two adjacent bytes of it, nor a byte of it and a zero or a certificate table byte beside it, make an entry
// tag (19 DC, 20 B5): even an ExtractTree that reads on after the walk has ended (the installer neither reloads
// nor rewinds after a failure) meets only foreign tags there, for as many calls as the record holds tags.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/qpack/common/ByteRange.h"
#include "tools/qpack/common/Sha256.h"

namespace quibel::qpack {

inline constexpr char kDigestMagic[] = "Quibel-SHA-256:";
inline constexpr std::int64_t kDigestLengthDigits = 16;
inline constexpr std::int64_t kDigestRecordSize = sizeof kDigestMagic - 1 + kDigestLengthDigits + 1 + 64;
// The ExtractTree calls after the walk that the record keeps from reaching what follows it (2 bytes each).
inline constexpr std::int64_t kTagsInRecord = kDigestRecordSize / 2;
static_assert(kTagsInRecord >= 30, "30 further ExtractTree calls must stay inside the record");

// Feeds the bytes of a package, in file order, to SHA-256 with the given ranges counted as zeros.
class PackageDigester {
  public:
    explicit PackageDigester(std::vector<ByteRange> zeroed = {}) : zeroed_(std::move(zeroed)) {}
    void Add(std::span<const std::uint8_t> bytes);
    std::int64_t Covered() const { return covered_; }
    // The record for the bytes added so far; ends the digest.
    std::vector<std::uint8_t> Record();

  private:
    Sha256 sha_;
    std::vector<ByteRange> zeroed_;
    std::int64_t covered_ = 0;
};

struct DigestRecord {
    std::int64_t offset = 0;   // where it stands
    std::int64_t covered = 0;  // what it says it covers
    std::string digest;        // 64 hexadecimal digits
};

// The record at bytes, when they hold one (kDigestRecordSize bytes of the form above).
std::optional<DigestRecord> ParseDigestRecord(std::span<const std::uint8_t> bytes, std::int64_t offset);

}  // namespace quibel::qpack
