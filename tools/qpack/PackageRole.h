#pragma once
// Where list, verify and extract start looking for the marker. An installer's payload follows its stub from
// 400000 on, and a stub may hold bytes that look like a marker before that: a PE executable is scanned from
// 400000, anything else (a side archive) from 0, unless --from says otherwise.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quibel::qpack {

struct ScanStart {
    std::int32_t offset = 0;
    std::string reason;  // why this offset, for the note the commands print
};

ScanStart ChooseScanStart(const std::vector<std::uint8_t>& file, std::optional<std::int32_t> from);

// "scanning from offset 400000 (a PE executable; --from sets another)".
std::string ScanStartNote(const ScanStart& start);

}  // namespace quibel::qpack
