// The digest record: a byte changed anywhere before it, in the stub too, is damage that verify reports before
// anything else, while the fields signing rewrites are not; and the installer's walk, with 30 more ExtractTree
// calls after it, ends inside the record whatever follows it (under Wine as natively).

#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/inspect/DigestCheck.h"

#include <gtest/gtest.h>

#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/LiteralBlock.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"
#include "tests/support/TestStub.h"
#include "tools/qpack/encoder/Lh5Encoder.h"
#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/inspect/PackageTrailer.h"
#include "tools/qpack/write/PackageWriter.h"
#include "tools/qpack/write/StubImage.h"

namespace quibel::qpack {
namespace {

// A package as qpack writes it: leading (an installer's stub image, or nothing), the payload, one closing tag per
// directory entry, the record. Blocks of literals: a changed bit in one changes a byte of content and nothing else.
ByteString Written(const ByteString& leading, const std::vector<std::string>& directories) {
    ByteString file = leading;
    AppendPackageHeader(file, {"Quibel 4.1"});
    for (const std::string& directory : directories) {
        AppendDirectoryEntry(file, directory);
        AppendFileEntry(file, "lisez-moi.txt", testing::LiteralBlock(testing::BytesOf("contenu de " + directory)));
    }
    AppendClosingTags(file, directories.size());
    MemorySource image(leading);
    PackageDigester digest(SigningFields(image));
    digest.Add(file);
    const ByteString record = digest.Record();
    file.insert(file.end(), record.begin(), record.end());
    return file;
}

std::size_t Find(const ByteString& file, const std::string& text) {
    return static_cast<std::size_t>(std::search(file.begin(), file.end(), text.begin(), text.end()) - file.begin());
}

// Twelve places that the structure alone does not tell from a sound package, and the record itself.
TEST(PackageDigest, AChangedByteIsDamageWhereverItLies) {
    const ByteString archive = Written({}, {"", "\\voix"});
    const ByteString installer = Written(InstallerLeadingImage(testing::TestStub(), "stub.exe"), {""});
    const std::size_t decodedSize = Find(archive, "lisez-moi.txt") + 13 + 4;
    const std::size_t record = archive.size() - kDigestRecordSize;
    const struct {
        const char* where;
        bool inInstaller;
        std::size_t offset;
        bool damage;
    } cases[] = {
        {"reserved word", false, 8, true},
        {"banner line", false, Find(archive, "Quibel") + 2, true},
        {"file name", false, Find(archive, "lisez-moi") + 2, true},
        {"decoded size", false, decodedSize, true},
        {"bit stream", false, decodedSize + 4 + 12, true},
        {"directory name", false, Find(archive, "voix") + 1, true},
        {"record's length", false, record + 20, true},
        {"record's digest", false, archive.size() - 1, true},
        {"stub's MZ header", true, 2, true},
        {"stub's time stamp", true, 0x48, true},
        {"stub's manifest", true, Find(installer, "Quibel.Installer"), true},
        {"stub's padding", true, 300000, true},
        {"installer's banner", true, Find(installer, "Quibel 4.1") + 2, true},
        {"installer's file name", true, Find(installer, "lisez-moi") + 1, true},
        {"checksum, which signing rewrites", true, 0x58 + 64, false},
        {"security directory entry, which signing rewrites", true, 0x58 + 96 + 8 * 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        ByteString file = c.inInstaller ? installer : archive;
        file[c.offset] ^= 0x01;
        MemorySource source(file);
        const DigestCheck check = CheckPackageDigest(source);
        // verify: the digest first, then the structure.
        const bool refused = check.damage || !CheckPackage(file, c.inInstaller ? 400000 : 0, true).faults.empty();
        EXPECT_EQ(refused, c.damage) << (check.damage ? *check.damage : "");
    }
    MemorySource whole(archive);
    EXPECT_FALSE(CheckPackageDigest(whole).damage);
    const ByteString old(archive.begin(), archive.end() - kDigestRecordSize);
    MemorySource withoutRecord(old);
    EXPECT_FALSE(CheckPackageDigest(withoutRecord).record);
}

// 30 directory levels (31 entries with the root), a file in the deepest, then 48 bytes of DirectoryTag: the walk
// and 30 more ExtractTree calls after it stay inside the record and create nothing more.
TEST(PackageDigest, TheInstallersWalkEndsInsideTheRecord) {
    std::vector<std::string> levels = {""};
    for (int i = 1; i <= 30; ++i) {
        levels.push_back(levels.back() + "\\n" + std::to_string(i));
    }
    ByteString file = Written({}, levels);
    for (int i = 0; i < 24; ++i) {
        AppendDirectoryEntry(file, {});
        file.resize(file.size() - 4);  // the tag alone: 19 DC
    }
    PayloadStream stream;
    stream.Replace(file);
    testing::MemoryFileSystem fileSystem({"C:", "C:\\base"});
    testing::RecordedLines banner;
    testing::RecordedLines log;
    ASSERT_TRUE(FindPayload(stream, 0, banner));
    TreeExtractor extractor(stream, fileSystem, log);
    extractor.ExtractTree("C:\\base");
    EXPECT_EQ(fileSystem.Written().size(), 2 * levels.size() - 1);  // the 30 levels and a file in each, no more
    for (std::size_t call = 0; call < kFurtherExtractTreeCalls; ++call) {
        extractor.ExtractTree("C:\\base");
    }
    EXPECT_EQ(fileSystem.Written().size(), 2 * levels.size() - 1);
    EXPECT_LE(stream.Position(), static_cast<std::int64_t>(file.size()) - 48);
}

}  // namespace
}  // namespace quibel::qpack
