#include "tools/qpack/inspect/PackageRole.h"

#include <algorithm>
#include <cctype>

#include "payload/PackageFormat.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/inspect/MarkerScan.h"
#include "tools/qpack/pe/PortableExecutable.h"

namespace quibel::qpack {

namespace {

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix) {
    if (name.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char lower, char c) { return std::tolower(static_cast<unsigned char>(c)) == lower; });
}

std::string Found(std::int64_t marker) {
    return marker < 0 ? "no marker" : "the marker at offset " + std::to_string(marker);
}

}  // namespace

PackageRole ReadPackageRole(const std::string& fileName, ByteSource& file, std::optional<std::int32_t> from) {
    if (from) {
        return {*from, "as --from asks"};
    }
    if (EndsWithIgnoringCase(fileName, ".exe")) {
        return {PayloadScanStart, "an installer: its name ends in .exe; --from sets another"};
    }
    if (EndsWithIgnoringCase(fileName, ".maj")) {
        return {0, "a side archive: its name ends in .maj; --from sets another"};
    }
    if (!ReadPeHeaders(file)) {
        return {0, "a side archive: no program Windows would run; --from sets another"};
    }
    const std::int64_t asSideArchive = FindMarker(file, 0, file.Size());
    const std::int64_t asInstaller = FindMarker(file, PayloadScanStart, file.Size());
    if (asSideArchive != asInstaller) {
        throw PackError(fileName + ": a program Windows would run, read from offset 0 (as a side archive) finds " +
                        Found(asSideArchive) + ", read from offset " + std::to_string(PayloadScanStart) +
                        " (as an installer) finds " + Found(asInstaller) +
                        ": the two would install different trees; name it .exe or .maj as it will be used, or "
                        "give --from");
    }
    return {PayloadScanStart, "an installer: a program Windows would run, the same read from 0; --from sets another"};
}

std::string NotAPackage(const PackageRole& role) {
    return "not a Quibel package or installer: no payload marker at an even distance from offset " +
           std::to_string(role.offset) + ", " + ScanStartNote(role);
}

std::string ScanStartNote(const PackageRole& role) {
    return "scanning from offset " + std::to_string(role.offset) + " (" + role.reason + ")";
}

}  // namespace quibel::qpack
