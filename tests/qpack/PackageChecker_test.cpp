// The package checker behind verify and list, the stub check of the installer, and the Windows name rules.

#include "tools/qpack/inspect/PackageChecker.h"

#include <gtest/gtest.h>

#include <functional>

#include "payload/PackageFormat.h"
#include "tests/support/TestStub.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/common/WindowsNames.h"
#include "tools/qpack/encoder/Lh5Encoder.h"
#include "tools/qpack/write/PackageWriter.h"
#include "tools/qpack/write/StubImage.h"

namespace quibel::qpack {
namespace {

ByteString Text(const std::string& text) {
    return ByteString(text.begin(), text.end());
}

ByteString Block(const std::string& content) {
    return EncodeBlock(Text(content));
}

// A sound package: root with two files, \data with one, \data\sons empty.
ByteString SoundPackage() {
    ByteString p;
    AppendPackageHeader(p, {"Quibel 4.1", "banni\xE8re"});
    AppendDirectoryEntry(p, "");
    AppendFileEntry(p, "a.txt", Block("alpha alpha alpha"));
    AppendFileEntry(p, "B.txt", Block(""));
    AppendDirectoryEntry(p, "\\data");
    AppendFileEntry(p, "\xE9t\xE9.txt", Block(std::string(5000, 'e')));
    AppendDirectoryEntry(p, "\\data\\sons");
    return p;
}

std::string JoinedFaults(const PackageReport& report) {
    std::string all;
    for (const std::string& fault : report.faults) {
        all += fault + "\n";
    }
    return all;
}

TEST(PackageChecker, AcceptsASoundPackageAndReadsItsTree) {
    const PackageReport report = CheckPackage(SoundPackage(), 0, true);
    EXPECT_TRUE(report.faults.empty()) << JoinedFaults(report);
    EXPECT_EQ(report.bannerLines, (std::vector<std::string>{"Quibel 4.1", "banni\xE8re"}));
    ASSERT_EQ(report.entries.size(), 6u);
    EXPECT_EQ(report.entries[2].name, "B.txt");
    EXPECT_EQ(report.entries[2].decodedSize, 0);
    EXPECT_EQ(report.entries[4].decodedSize, 5000);
    EXPECT_EQ(report.entries[4].directory, "\\data");
    EXPECT_TRUE(report.entries[5].isDirectory);
}

TEST(PackageChecker, FindsAPayloadBehindAnImageFromItsScanStart) {
    ByteString installer(PayloadScanStart + 6, 0);
    const ByteString payload = SoundPackage();
    installer.insert(installer.end(), payload.begin(), payload.end());
    const PackageReport report = CheckPackage(installer, PayloadScanStart, true);
    EXPECT_TRUE(report.faults.empty()) << JoinedFaults(report);
    EXPECT_EQ(report.markerOffset, PayloadScanStart + 6);
}

struct FaultCase {
    const char* name;
    std::function<ByteString()> build;
    const char* expected;  // a part of the fault's text
};

TEST(PackageChecker, RejectsFaultyPackagesWithAClearMessage) {
    const std::vector<FaultCase> cases = {
        {"no marker", [] { return Text("no package here"); }, "no payload marker"},
        {"marker at an odd distance",
         [] {
             ByteString p = SoundPackage();
             p.insert(p.begin(), 1, 0);
             return p;
         },
         "no payload marker"},
        {"root with a name",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "\\racine");
             return p;
         },
         "must be the root"},
        {"file before the root",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendFileEntry(p, "a.txt", Block("a"));
             return p;
         },
         "before the root"},
        {"directory without its leading separator",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendDirectoryEntry(p, "data");
             return p;
         },
         "does not begin with"},
        {"directory before its parent",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendDirectoryEntry(p, "\\a\\b");
             return p;
         },
         "before its parent"},
        {"directories out of order",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendDirectoryEntry(p, "\\b");
             AppendDirectoryEntry(p, "\\a");
             return p;
         },
         "out of order"},
        {"files out of order",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "b.txt", Block("b"));
             AppendFileEntry(p, "A.txt", Block("a"));
             return p;
         },
         "out of order"},
        {"names that differ only in letter case",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "\xC9t\xE9", Block("1"));
             AppendFileEntry(p, "\xE9T\xC9", Block("2"));
             return p;
         },
         "only in letter case"},
        {"name Windows forbids",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "a?b", Block("1"));
             return p;
         },
         "forbids"},
        {"reserved device name",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendDirectoryEntry(p, "\\nul.txt");
             return p;
         },
         "reserved device name"},
        {"file entry with an empty name",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "", {});
             return ByteString(p.begin(), p.end() - 4);
         },
         "empty name"},
        {"block length below 8",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "a", ByteString{1, 0});
             return p;
         },
         "below 8"},
        {"block running past the end",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "a", Block("abc"));
             p.pop_back();
             return p;
         },
         "past the end"},
        {"block that does not decode",
         [] {
             // Decoded size 10; symbol count 10; length-code list with n = 1 (00001) and one length of 1 (001):
             // an incomplete code.
             const ByteString block = {10, 0, 0, 0, 0x00, 0x0A, 0x09, 0x00, 0x00, 0x00};
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "a", block);
             return p;
         },
         "does not decode"},
        {"negative decoded size",
         [] {
             const ByteString block = {0xFB, 0xFF, 0xFF, 0xFF, 0x00};  // decoded size -5
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendFileEntry(p, "a", block);
             return p;
         },
         "negative decoded size"},
        {"bytes after the last entry",
         [] {
             ByteString p = SoundPackage();
             p.insert(p.end(), {0x00, 0x00, 0x41});
             return p;
         },
         "nothing may follow"},
        {"a lone byte after the last entry",
         [] {
             ByteString p = SoundPackage();
             p.push_back(0x19);
             return p;
         },
         "lone byte"},
        {"a cut name",
         [] {
             ByteString p;
             AppendPackageHeader(p, {});
             AppendDirectoryEntry(p, "");
             AppendDirectoryEntry(p, "\\long name");
             p.resize(p.size() - 3);
             return p;
         },
         "ends inside"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageReport report = CheckPackage(c.build(), 0, true);
        ASSERT_FALSE(report.faults.empty());
        EXPECT_NE(JoinedFaults(report).find(c.expected), std::string::npos) << JoinedFaults(report);
    }
}

// A name's problem is the fault of the entry that brings it: a directory below it does not repeat it.
TEST(PackageChecker, ReportsEachProblemOnce) {
    ByteString p;
    AppendPackageHeader(p, {});
    AppendDirectoryEntry(p, "");
    AppendDirectoryEntry(p, "\\a?b");
    AppendDirectoryEntry(p, "\\a?b\\c");
    AppendDirectoryEntry(p, "\\x\\y:z");  // before its parent: every level is looked at
    const PackageReport report = CheckPackage(p, 0, true);
    EXPECT_EQ(report.faults.size(), 3u) << JoinedFaults(report);
}

ByteString MinimalPe(std::size_t size) {
    ByteString stub(size, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[0x3C] = 0x80;
    stub[0x80] = 'P';
    stub[0x81] = 'E';
    return stub;
}

// A PE32 image with an empty security directory.
ByteString PeWithDirectories() {
    ByteString file = MinimalPe(512);
    file[0x84 + 16] = 224;  // SizeOfOptionalHeader
    file[0x98] = 0x0B;      // the optional header: PE32
    file[0x99] = 0x01;
    file[0x98 + 92] = 16;  // NumberOfRvaAndSizes
    return file;
}

// That image (or none, a side archive), then the sound package, closed by closingTags, then the digest record if
// asked.
ByteString Package(bool program, std::size_t closingTags, bool record = false) {
    ByteString file = program ? PeWithDirectories() : ByteString();
    const ByteString payload = SoundPackage();
    file.insert(file.end(), payload.begin(), payload.end());
    AppendClosingTags(file, closingTags);
    if (record) {
        PackageDigester digest;
        digest.Add(file);
        const ByteString text = digest.Record();
        file.insert(file.end(), text.begin(), text.end());
    }
    return file;
}

// The digest record of file.
ByteString RecordOf(const ByteString& file) {
    PackageDigester digest;
    digest.Add(file);
    return digest.Record();
}

// A signed installer whose table begins before its digest record, hiding it from the digest check.
ByteString TableAroundItsRecord();

ByteString Installer(std::size_t closingTags) {
    return Package(true, closingTags);
}

ByteString Padded(ByteString file, std::size_t zeros) {
    file.insert(file.end(), zeros, 0);
    return file;
}

// A certificate table of size bytes (at least 8): its entry's length, revision 2.0, type 2 (a signature), then
// the start of its DER text and zeros.
ByteString CertificateTable(std::uint32_t size) {
    ByteString table(size, 0);
    for (int i = 0; i < 4; ++i) {
        table[i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    table[5] = 2;
    table[6] = 2;
    if (size >= 10) {
        table[8] = 0x30;
        table[9] = 0x82;
    }
    return table;
}

// What signing appends: zero padding, then a certificate table named by the security directory (at offset 128
// of the optional header); sizeSlack misstates its size.
ByteString Signed(ByteString file, std::size_t padding, ByteString table = CertificateTable(10), int sizeSlack = 0) {
    file.insert(file.end(), padding, 0);
    const auto offset = static_cast<std::uint32_t>(file.size());
    const auto size = static_cast<std::uint32_t>(static_cast<int>(table.size()) + sizeSlack);
    for (int i = 0; i < 4; ++i) {
        file[0x98 + 128 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        file[0x98 + 132 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

ByteString Poked(ByteString file, std::size_t fromEnd, std::uint8_t value) {
    file[file.size() - fromEnd] = value;
    return file;
}

ByteString TableAroundItsRecord() {
    const ByteString head = CertificateTable(8);
    ByteString file = Package(true, 3);
    file.insert(file.end(), head.begin(), head.end());
    const ByteString record = RecordOf(file);
    file.resize(file.size() - head.size());
    ByteString table = CertificateTable(static_cast<std::uint32_t>(head.size() + record.size()));
    std::copy(record.begin(), record.end(), table.begin() + 8);
    return Signed(file, 0, table);
}

struct TrailerCase {
    const char* name;
    ByteString file;
    const char* expected;           // a part of the fault's text; nullptr: sound
    std::int64_t certificateTable;  // of a sound file
};

TEST(PackageChecker, AcceptsAfterTheTreeExactlyTheClosingTagsAndTheSignature) {
    ByteString cutShort;
    AppendPackageHeader(cutShort, {});
    AppendDirectoryEntry(cutShort, "");
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += "ligne " + std::to_string(i * 7919 % 1000) + "\n";
    }
    const ByteString block = Block(text);
    AppendFileEntry(cutShort, "a.txt", ByteString(block.begin(), block.end() - 2));  // length field adjusted

    const std::vector<TrailerCase> cases = {
        {"unsigned installer", Installer(3), nullptr, 0},
        {"unsigned installer of the earlier form", Installer(0), nullptr, 0},
        {"signed, no padding", Signed(Installer(3), 0), nullptr, 10},
        {"signed, 7 zero bytes", Signed(Installer(3), 7), nullptr, 10},
        {"signed, 8 zero bytes", Signed(Installer(3), 8), "only 0 to 7 zero bytes", 0},
        {"signed, padding not zero", Poked(Signed(Installer(3), 4), 12, 0x45), "not all zero", 0},
        {"signed without closing tags", Signed(Installer(0), 0, CertificateTable(0xDC19)), "would read this entry tag",
         0},
        {"signed, too few closing tags", Signed(Installer(2), 0), "one closing tag (00 00) per open list (3)", 0},
        {"side archive, too few closing tags", Package(false, 2), "one closing tag (00 00) per open list (3)", 0},
        {"side archive, a closing tag too many", Package(false, 4), "2 bytes follow the tree", 0},
        {"side archive with closing tags and record", Package(false, 3, true), nullptr, 0},
        {"signed, with the record", Signed(Package(true, 3, true), 2), nullptr, 10},
        {"table not running to the end", Signed(Installer(3), 0, {1, 2, 3, 4}, 1), "does not run to the end", 0},
        {"the record named as the table", Signed(Package(true, 3), 0, RecordOf(Package(true, 3))),
         "that are no certificate table: its entry says length 1651078481", 0},
        {"a table of another type", Signed(Installer(3), 0, Poked(CertificateTable(16), 10, 1)),
         "revision 0x0200, type 1 where", 0},
        {"a table holding the record", TableAroundItsRecord(), "which hold the digest record at offset", 0},
        {"block cut short", cutShort, "damaged", 0},
    };
    for (const TrailerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageReport report = CheckPackage(c.file, 0, true);
        if (c.expected == nullptr) {
            EXPECT_TRUE(report.faults.empty()) << JoinedFaults(report);
            EXPECT_EQ(report.certificateTableSize, c.certificateTable);
        } else {
            EXPECT_NE(JoinedFaults(report).find(c.expected), std::string::npos) << JoinedFaults(report);
        }
    }
}

// Windows takes names that differ only in letter case for one: within one directory the installer cannot hold a
// file and a directory, two files or two directories of such names. Both are named.
TEST(PackageChecker, RefusesNamesTheInstallerCannotHoldSideBySide) {
    const auto package = [](const std::vector<std::pair<std::string, bool>>& entries) {  // name, is a directory
        ByteString p;
        AppendPackageHeader(p, {});
        for (const auto& [name, isDirectory] : entries) {
            if (isDirectory) {
                AppendDirectoryEntry(p, name);
            } else {
                AppendFileEntry(p, name, Block(name));
            }
        }
        return p;
    };
    const struct {
        const char* name;
        ByteString file;
        const char* fault;  // nullptr: sound
    } cases[] = {
        {"a file and a directory", package({{"", true}, {"Data", false}, {"\\data", true}}),
         "directory \"\\data\" and file \"\\Data\" differ only in letter case"},
        {"two files", package({{"", true}, {"A.TXT", false}, {"a.txt", false}}),
         "file \"\\a.txt\" and file \"\\A.TXT\" differ only in letter case"},
        {"two directories", package({{"", true}, {"\\Sons", true}, {"\\sons", true}}),
         "directory \"\\sons\" and directory \"\\Sons\" differ only in letter case"},
        {"a file and a directory below the root",
         package({{"", true}, {"\\a", true}, {"x", false}, {"\\a\\X", true}, {"\\a\\X\\y", true}}),
         "directory \"\\a\\X\" and file \"\\a\\x\" differ only in letter case"},
        {"a directory after another's branch", package({{"", true}, {"\\A", true}, {"\\A\\b", true}, {"\\a", true}}),
         "directory \"\\a\" and directory \"\\A\" differ only in letter case"},
        {"the same name in two directories", package({{"", true}, {"x", false}, {"\\d", true}, {"X", false}}), nullptr},
        // A name that is the short (8.3) name Windows may give a sibling opens that sibling.
        {"a directory's short name", package({{"", true}, {"\\LONGDIRNAME", true}, {"\\LONGDI~1", true}}),
         "directory \"\\LONGDI~1\" and directory \"\\LONGDIRNAME\" cannot stand side by side: \"LONGDI~1\" is a short"},
        {"a file's short name", package({{"", true}, {"Programme-Files.txt", false}, {"PROGRA~1.TXT", false}}),
         "file \"\\PROGRA~1.TXT\" and file \"\\Programme-Files.txt\" cannot stand"},
        {"the short name first", package({{"", true}, {"abxcde~1.txt", false}, {"AB\xC9" "CDEFGH.TXT", false}}),
         "\"abxcde~1.txt\" is a short"},
        {"the hashed form", package({{"", true}, {"\\LO1A2B~1", true}, {"\\LONGDIRNAME", true}}), "\"LO1A2B~1\" is a"},
        {"an accented letter", package({{"", true}, {"ETE-LO~1.TXT", false}, {"\xC9t\xE9-long.txt", false}}), "short"},
        {"a short name beside another name", package({{"", true}, {"data.bin", false}, {"README~1.TXT", false}}),
         nullptr},
        {"a short name of another extension", package({{"", true}, {"LONGDIRNAME.TXT", false}, {"LONGDI~1", false}}),
         nullptr},
        {"a short name alone", package({{"", true}, {"A~1.TXT", false}}), nullptr},
        {"a sibling already 8.3", package({{"", true}, {"\\ABC", true}, {"\\ABC~1", true}}), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageReport report = CheckPackage(c.file, 0, true);
        EXPECT_EQ(report.faults.empty(), c.fault == nullptr) << JoinedFaults(report);
        if (c.fault != nullptr) {
            EXPECT_NE(JoinedFaults(report).find(c.fault), std::string::npos) << JoinedFaults(report);
        }
    }
}

// A sound encoder leaves at most a byte after the last bit its symbols use (kLargestUnusedStreamBytes, measured);
// more is room for something else, and damage. qpack's own encoder leaves none.
TEST(PackageChecker, CallsUnusedStreamBytesDamage) {
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += "ligne " + std::to_string(i * 7919 % 1000) + "\n";
    }
    const ByteString block = Block(text);
    EncoderSettings best;
    best.best = true;
    const auto followedBy = [](ByteString b, std::size_t count) {
        b.insert(b.end(), count, 0x5A);
        return b;
    };
    const struct {
        const char* name;
        ByteString block;
        const char* fault;  // nullptr: sound
    } cases[] = {
        {"as qpack encodes it", block, nullptr},
        {"as qpack --best encodes it", EncodeBlock(Text(text), best), nullptr},
        {"an empty file", Block(""), nullptr},
        {"one byte more", followedBy(block, 1), nullptr},
        {"two bytes more", followedBy(block, 2), "damaged: 2 bytes of the block follow the last bit"},
        {"a megabyte more", followedBy(block, 1 << 20), "damaged: 1048576 bytes"},
        {"an empty file with bytes", followedBy(Block(""), 2), "damaged: 2 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ByteString p;
        AppendPackageHeader(p, {});
        AppendDirectoryEntry(p, "");
        AppendFileEntry(p, "a.txt", c.block);
        const PackageReport report = CheckPackage(p, 0, true);
        EXPECT_EQ(report.faults.empty(), c.fault == nullptr) << JoinedFaults(report);
        if (c.fault != nullptr) {
            EXPECT_NE(JoinedFaults(report).find(c.fault), std::string::npos) << JoinedFaults(report);
        }
    }
}

// osslsigncode remove-signature leaves the 0 to 7 zero bytes that signing added: after a program's tree or record
// they are accepted, whoever wrote the file; nothing may follow a side archive's.
TEST(PackageChecker, AcceptsWhatRemovingASignatureLeaves) {
    const std::vector<TrailerCase> cases = {
        {"program, 7 zero bytes after its tree", Padded(Installer(0), 7), nullptr, 0},
        {"program, 7 zero bytes after its closing tags", Padded(Installer(3), 7), nullptr, 0},
        {"program, 3 zero bytes after its record", Padded(Package(true, 3, true), 3), nullptr, 0},
        {"program, 8 zero bytes after its record", Padded(Package(true, 3, true), 8), "only the 0 to 7 zero bytes", 0},
        {"program, 3 bytes not zero", Poked(Padded(Installer(3), 3), 2, 1), "not all zero", 0},
        {"side archive, 2 zero bytes after its record", Padded(Package(false, 3, true), 2), "2 bytes follow", 0},
    };
    for (const TrailerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageReport report = CheckPackage(c.file, 0, true);
        EXPECT_EQ(report.faults.empty(), c.expected == nullptr) << JoinedFaults(report);
        if (c.expected != nullptr) {
            EXPECT_NE(JoinedFaults(report).find(c.expected), std::string::npos) << JoinedFaults(report);
        }
    }
}

TEST(WindowsNames, FlagsWhatWindowsCannotHold) {
    const std::vector<std::pair<std::string, bool>> names = {
        {"notes.txt", true}, {"R\xE9sum\xE9.txt", true},
        {"a b", true},       {".hidden", true},
        {"con", false},      {"Con.txt", false},
        {"COM1.log", false}, {"lpt\xB9", false},
        {"COM10", true},     {"console", true},
        {"a.", false},       {"a ", false},
        {"a\tb", false},     {"a*b", false},
        {"a<b", false},      {"a|b", false},
        {"a\"b", false},     {"a:b", false},
        {"", false},
    };
    for (const auto& [name, accepted] : names) {
        EXPECT_EQ(!WindowsNameProblem(name).has_value(), accepted) << name;
    }
}

TEST(WindowsNames, OrdersByUpperCaseWindows1252Bytes) {
    EXPECT_TRUE(ComesBefore("a.txt", "B.txt"));
    EXPECT_TRUE(ComesBefore("B.txt", "c.txt"));
    EXPECT_TRUE(ComesBefore("z", "\xE9"));  // accented letters sort after ASCII
    EXPECT_TRUE(ComesBefore("a", "_"));     // compared as 'A' (0x41) and '_' (0x5F)
    EXPECT_EQ(UpperCaseKey("\xE9t\xE9 \xFF\x9C"), "\xC9T\xC9 \x9F\x8C");
}

// The test stub, padded with zeros to size bytes.
ByteString Stub(std::size_t size) {
    ByteString stub = testing::TestStub();
    stub.resize(size, 0);
    return stub;
}

TEST(StubImage, PadsToAnEvenLengthOfAtLeastTheScanStart) {
    EXPECT_EQ(InstallerLeadingImage(Stub(2000), "stub.exe").size(), static_cast<std::size_t>(PayloadScanStart));
    EXPECT_EQ(InstallerLeadingImage(Stub(450001), "stub.exe").size(), 450002u);
    ByteString endsInMarkerWord = Stub(450000);
    endsInMarkerWord[449998] = 0x45;
    endsInMarkerWord[449999] = 0x54;
    const ByteString image = InstallerLeadingImage(endsInMarkerWord, "stub.exe");
    EXPECT_EQ(image.size(), 450002u);  // two zeros keep that word apart from the payload's marker
    EXPECT_EQ(image[450000], 0);
}

std::optional<std::string> Refusal(const ByteString& stub) {
    try {
        InstallerLeadingImage(stub, "stub.exe");
    } catch (const PackError& failure) {
        return std::string(failure.what());
    }
    return std::nullopt;
}

TEST(StubImage, RefusesWhatIsNoPeExecutableOrHoldsTheMarker) {
    auto refused = [](const ByteString& stub) {
        const auto refusal = Refusal(stub);
        return refusal && refusal->find("stub.exe") != std::string::npos;
    };
    EXPECT_TRUE(refused(Text("plain text, no header")));
    ByteString noSignature = Stub(2000);
    noSignature[0x40] = 'X';
    EXPECT_TRUE(refused(noSignature));
    ByteString farOffset = Stub(2000);
    farOffset[0x3D] = 0x7F;
    EXPECT_TRUE(refused(farOffset));

    ByteString marked = Stub(PayloadScanStart + 100);
    for (int i = 0; i < 8; ++i) {
        marked[PayloadScanStart + 20 + i] = "ETETETET"[i];
    }
    EXPECT_TRUE(refused(marked));
    ByteString oddDistance = Stub(PayloadScanStart + 100);
    for (int i = 0; i < 8; ++i) {
        oddDistance[PayloadScanStart + 21 + i] = "ETETETET"[i];
    }
    EXPECT_FALSE(refused(oddDistance));
    ByteString beforeScanStart = Stub(PayloadScanStart + 100);
    for (int i = 0; i < 8; ++i) {
        beforeScanStart[PayloadScanStart - 20 + i] = "ETETETET"[i];
    }
    EXPECT_FALSE(refused(beforeScanStart));
    // A signed stub: the payload would go after its signature, which would then cover neither.
    ByteString signedStub = Stub(0x600);
    signedStub[0x58 + 128 + 1] = 0x06;  // the security directory: a table of 8 bytes at 0x600
    signedStub[0x58 + 132] = 8;
    signedStub.resize(0x608, 0);
    EXPECT_TRUE(refused(signedStub));
}

// The stub must be the installer program: what `qpack installer` is given in its place is refused, naming what it
// is instead.
TEST(StubIdentity, RefusesAnyProgramButTheInstaller) {
    const auto with = [](auto change) {
        testing::TestStubFields fields;
        change(fields);
        return testing::TestStub(fields);
    };
    ByteString cut = testing::TestStub();
    cut.resize(0x300);
    const std::string dependencyFirst =
        "<assembly><dependency><dependentAssembly><assemblyIdentity name=\"Microsoft.Windows.Common-Controls\"/>"
        "</dependentAssembly></dependency><assemblyIdentity version=\"4.1.0.0\" name='Quibel.Installer'/></assembly>";
    const struct {
        const char* name;
        ByteString stub;
        const char* refusal;  // a part of it; nullptr: accepted
    } cases[] = {
        {"the installer", testing::TestStub(), nullptr},
        {"its manifest naming a dependency first", with([&](auto& f) { f.manifest = dependencyFirst; }), nullptr},
        {"a 64-bit program", with([](auto& f) { f.machine = 0x8664; }), "another processor (machine 0x8664)"},
        {"a DLL", with([](auto& f) { f.characteristics |= 0x2000; }), "a DLL"},
        {"a console program", with([](auto& f) { f.subsystem = 3; }), "a console program"},
        {"a program without a manifest", with([](auto& f) { f.manifest.reset(); }), "without a manifest"},
        {"another program's manifest", with([](auto& f) { f.manifest = testing::ManifestNaming("Quibel.App"); }),
         "names \"Quibel.App\", not the installer program"},
        {"the installer cut short", cut, "past the end of the 768-byte file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto refusal = Refusal(c.stub);
        EXPECT_EQ(refusal.has_value(), c.refusal != nullptr) << refusal.value_or("");
        if (refusal && c.refusal != nullptr) {
            EXPECT_NE(refusal->find(c.refusal), std::string::npos) << *refusal;
        }
    }
}

}  // namespace
}  // namespace quibel::qpack
