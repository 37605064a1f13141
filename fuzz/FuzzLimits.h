#pragma once
// Limits that keep fuzz runs fast without hiding faults: decoded sizes are taken from the input, and a block
// that claims two gigabytes would only measure memory.

#include <cstddef>
#include <cstdint>

namespace quibel::fuzz {

// Largest decoded size the block target lets through (larger ones are reduced modulo it).
inline constexpr std::uint32_t MaxDecodedSize = 1u << 15;
// Largest single allocation of the package target: beyond it operator new fails as an exhausted heap would,
// which the in-memory streams report as EStreamError.
inline constexpr std::size_t MaxAllocation = std::size_t{1} << 18;

}  // namespace quibel::fuzz
