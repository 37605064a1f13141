#include "tools/qpack/ScanStart.h"

#include "payload/PackageFormat.h"
#include "tools/qpack/PortableExecutable.h"

namespace quibel::qpack {

ScanStart ChooseScanStart(const std::vector<std::uint8_t>& file, std::optional<std::int32_t> from) {
    if (from) {
        return {*from, "as --from asks"};
    }
    if (PeSignatureOffset(file)) {
        return {PayloadScanStart, "a PE executable; --from sets another"};
    }
    return {0, "no PE executable; --from sets another"};
}

std::string ScanStartNote(const ScanStart& start) {
    return "scanning from offset " + std::to_string(start.offset) + " (" + start.reason + ")";
}

}  // namespace quibel::qpack
