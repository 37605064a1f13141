// list, verify and extract read a file in the role it plays, from the offset where the one that reads it would
// start: the installer from 400000, its speech step from 0.

#include "tools/qpack/inspect/PackageRole.h"

#include <gtest/gtest.h>

#include "payload/PackageFormat.h"
#include "tests/support/PackageBytes.h"
#include "tools/qpack/common/PackError.h"

namespace quibel::qpack {
namespace {

using testing::PackageBytes;

// payloadOffset bytes (an MZ header whose e_lfanew names peOffset, unless it is 0), then the payload that is
// meant; and a decoy payload at decoyOffset, if any.
std::vector<std::uint8_t> File(std::uint32_t peOffset,
                               std::optional<std::size_t> decoyOffset,
                               std::size_t payloadOffset) {
    PackageBytes file;
    file.Zeros(payloadOffset).Header().Directory("").File("vrai.txt", testing::BytesOf("vrai"));
    if (peOffset != 0) {
        file.bytes[0] = 'M';
        file.bytes[1] = 'Z';
        for (int i = 0; i < 4; ++i) {
            file.bytes[0x3C + i] = static_cast<std::uint8_t>(peOffset >> (8 * i));
        }
        std::copy_n("PE\0\0", 4, file.bytes.begin() + peOffset);
    }
    if (decoyOffset) {
        PackageBytes decoy;
        decoy.Header().Directory("").File("leurre.txt", testing::BytesOf("leurre"));
        file.bytes.resize(std::max(file.bytes.size(), *decoyOffset + decoy.bytes.size()));
        std::copy(decoy.bytes.begin(), decoy.bytes.end(),
                  file.bytes.begin() + static_cast<std::ptrdiff_t>(*decoyOffset));
    }
    return file.bytes;
}

TEST(PackageRole, ReadsAFileFromWhereItsReaderStarts) {
    const auto mzSideArchive = File(0x40, PayloadScanStart, 0x100);  // the decoy where an installer would look
    const auto lowHeader = File(0x0C, 0x40, PayloadScanStart);       // the decoy in the header's padding
    const auto installer = File(0x40, std::nullopt, PayloadScanStart + 0x400);
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::optional<std::int32_t> from;
        std::int32_t offset;  // -1: refused as ambiguous
        const char* shown;    // a part of the reason or of the refusal
    } cases[] = {
        {"speng.maj", mzSideArchive, {}, 0, ".maj"},
        {"SPENGFR.MAJ", mzSideArchive, {}, 0, ".maj"},
        {"speng.pkg", mzSideArchive, {}, -1, "finds the marker at offset 256, read from offset 400000"},
        {"setup.exe", lowHeader, {}, PayloadScanStart, ".exe"},
        {"setup",
         lowHeader,
         {},
         -1,
         "finds the marker at offset 64, read from offset 400000 (as an installer) finds "
         "the marker at offset 400000"},
        {"setup.maj", installer, {}, 0, ".maj"},
        {"setup.pkg", installer, {}, PayloadScanStart, "the same read from 0"},
        {"plain.pkg", File(0, 0x100, 0x100), {}, 0, "no program Windows would run"},
        {"speng.maj", mzSideArchive, PayloadScanStart, PayloadScanStart, "--from"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource file(c.file);
        try {
            const PackageRole role = ReadPackageRole(c.name, file, c.from);
            EXPECT_EQ(role.offset, c.offset);
            EXPECT_NE(role.reason.find(c.shown), std::string::npos) << role.reason;
        } catch (const PackError& refusal) {
            EXPECT_EQ(c.offset, -1) << refusal.what();
            EXPECT_NE(std::string(refusal.what()).find(c.shown), std::string::npos) << refusal.what();
        }
    }
}

}  // namespace
}  // namespace quibel::qpack
