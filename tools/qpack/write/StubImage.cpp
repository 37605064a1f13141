#include "tools/qpack/write/StubImage.h"

#include <string>

#include "payload/PackageFormat.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/pe/PortableExecutable.h"
#include "tools/qpack/pe/StubIdentity.h"

namespace quibel::qpack {

namespace {

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void CheckInstallerProgram(const std::vector<std::uint8_t>& stub, const std::string& stubName) {
    if (const auto problem = StubIdentityProblem(stub)) {
        throw PackError(stubName + ": " + *problem);
    }
    // The payload would go after the signature, which covers the image up to its certificate table only: the
    // installer would not verify. Signing comes last, on the installer.
    MemorySource image(stub);
    if (const auto table = FindCertificateTable(image)) {
        throw PackError(stubName + ": is signed (a certificate table of " + std::to_string(table->size) +
                        " bytes at offset " + std::to_string(table->offset) +
                        "); give the unsigned program and sign the installer that qpack writes");
    }
}

}  // namespace

std::vector<std::uint8_t> InstallerLeadingImage(const std::vector<std::uint8_t>& stub, const std::string& stubName) {
    CheckInstallerProgram(stub, stubName);
    int run = 0;
    for (std::size_t offset = PayloadScanStart; offset + 2 <= stub.size(); offset += 2) {
        run = WordAt(stub, offset) == MarkerWord ? run + 1 : 0;
        if (run == MarkerWordCount) {
            throw PackError(stubName + ": this is already an installer; give the stub, the installer program " +
                            "without a payload (it holds the payload marker, four \"ET\" words, at offset " +
                            std::to_string(offset - 2 * (MarkerWordCount - 1)) +
                            ": the installer would find it before the payload)");
        }
    }
    std::vector<std::uint8_t> image = stub;
    if (image.size() < static_cast<std::size_t>(PayloadScanStart)) {
        image.resize(PayloadScanStart, 0);
    }
    if (image.size() % 2 != 0) {
        image.push_back(0);
    }
    if (image.size() >= static_cast<std::size_t>(PayloadScanStart) + 2 &&
        WordAt(image, image.size() - 2) == MarkerWord) {
        image.insert(image.end(), 2, 0);
    }
    return image;
}

}  // namespace quibel::qpack
