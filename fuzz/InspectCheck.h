#pragma once
// What the inspect target checks on one input: when qpack verify calls a file sound, the installer's walk of it
// (the core's ExtractTree on an in-memory file system, from the offset of the file's role) writes exactly the tree
// that qpack list shows, names, sizes and contents, and nothing else; and 30 further ExtractTree calls create
// nothing. Returns an empty string when that holds (or the file is not sound), else what differed.
//
// The input's first byte chooses the role: 0 a side archive (the rest is the file), 1 an installer (a PE header
// padded to 400000 bytes, then the rest), 2 a signed installer (the same, its last 8 to 64 bytes the certificate
// table, by the first byte's upper bits, their first 8 its entry's head). A digest record where a package ends it is given the right digest first,
// so that the fuzzer explores what follows it rather than the digest.

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "payload/Errors.h"
#include "payload/PackageFormat.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/RecordedLines.h"
#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/common/PackageDigest.h"
#include "tools/qpack/inspect/DigestCheck.h"
#include "tools/qpack/inspect/PackageTrailer.h"

namespace quibel::fuzz {

// Files whose declared sizes add up to more are not compared (verify would decode them all, in seconds).
inline constexpr std::int64_t kLargestComparedContent = 1 << 20;

inline std::vector<std::uint8_t> RoleFile(const std::uint8_t* data, std::size_t size, std::int32_t& offset) {
    const int role = data[0] % 3;
    std::vector<std::uint8_t> file;
    offset = role == 0 ? 0 : PayloadScanStart;
    if (role != 0) {
        file.resize(PayloadScanStart, 0);
        const auto put = [&file](std::size_t at, std::uint32_t value) {
            for (int i = 0; i < 4; ++i) {
                file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
            }
        };
        put(0, 'M' | 'Z' << 8);
        put(0x3C, 0x80);
        put(0x80, 'P' | 'E' << 8);
        put(0x80 + 4 + 16, 224);  // SizeOfOptionalHeader
        put(0x98, 0x10B);         // PE32
        put(0x98 + 92, 16);       // NumberOfRvaAndSizes
    }
    file.insert(file.end(), data + 1, data + size);
    if (role == 2) {
        const auto table = static_cast<std::uint32_t>(std::min<std::size_t>(size - 1, 8 + 8 * (data[0] / 3 % 8)));
        for (int i = 0; i < 4; ++i) {
            file[0x98 + 128 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>((file.size() - table) >> (8 * i));
            file[0x98 + 132 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(table >> (8 * i));
        }
        // The table's own entry, as signing writes it (its length, revision 2.0, type 2): only a table is one.
        const std::uint8_t head[8] = {static_cast<std::uint8_t>(table), 0, 0, 0, 0, 2, 2, 0};
        if (table >= sizeof head) {
            std::copy(head, head + sizeof head, file.end() - table);
        }
    }
    return file;
}

inline void GiveTheRecordItsDigest(std::vector<std::uint8_t>& file) {
    MemorySource source(file);
    const auto record = qpack::CheckPackageDigest(source).record;
    if (!record) {
        return;
    }
    qpack::PackageDigester digest(qpack::SigningFields(source));
    digest.Add(std::span(file.data(), static_cast<std::size_t>(record->offset)));
    const std::vector<std::uint8_t> text = digest.Record();
    std::copy(text.begin(), text.end(), file.begin() + record->offset);
}

inline std::string CheckReading(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return {};
    }
    std::int32_t offset = 0;
    std::vector<std::uint8_t> file = RoleFile(data, size, offset);
    GiveTheRecordItsDigest(file);
    MemorySource source(file);
    if (qpack::CheckPackageDigest(source).damage) {
        return {};
    }
    // list first: a sound file whose contents are too large to compare is left alone.
    const qpack::PackageReport listed = qpack::CheckPackage(source, offset, {});
    std::int64_t declared = 0;
    for (const qpack::PackageEntry& entry : listed.entries) {
        declared += entry.decodedSize > 0 ? entry.decodedSize : 0;
    }
    if (!listed.faults.empty() || declared > kLargestComparedContent) {
        return {};
    }
    const std::string base = "C:\\root\\Quibel";
    std::set<std::string> directories;
    std::map<std::string, std::vector<std::uint8_t>> files;
    qpack::CheckOptions verify;
    verify.decodeBlocks = true;
    verify.content = [&](const qpack::PackageEntry& entry, std::span<const std::uint8_t> bytes) {
        auto& content = files[base + entry.directory + "\\" + entry.name];
        content.insert(content.end(), bytes.begin(), bytes.end());
    };
    const qpack::PackageReport verified = qpack::CheckPackage(source, offset, verify);
    if (!verified.faults.empty()) {
        return {};
    }
    for (const qpack::PackageEntry& entry : verified.entries) {
        if (entry.isDirectory && !entry.name.empty()) {
            directories.insert(base + entry.name);
        } else if (!entry.isDirectory) {
            files[base + entry.directory + "\\" + entry.name];  // an empty file gets no content
        }
    }

    PayloadStream stream;
    stream.Replace(file);
    testing::MemoryFileSystem fileSystem({"C:", "C:\\root", base});
    testing::RecordedLines banner;
    testing::RecordedLines log;
    FindPayload(stream, offset, banner);
    TreeExtractor extractor(stream, fileSystem, log);
    try {
        extractor.ExtractTree(base);
    } catch (const Exception& failure) {
        return std::string("the installer failed on a file verify calls sound: ") + failure.what();
    }
    std::set<std::string> created = fileSystem.Directories();
    for (const char* root : {"C:", "C:\\root", "C:\\root\\Quibel"}) {
        created.erase(root);
    }
    if (created != directories) {
        return "the installer created other directories than list shows (" + std::to_string(created.size()) +
               " against " + std::to_string(directories.size()) + ")";
    }
    if (fileSystem.Files() != files) {
        return "the installer wrote other files than list shows, or other contents (" +
               std::to_string(fileSystem.Files().size()) + " against " + std::to_string(files.size()) + ")";
    }
    const std::size_t written = fileSystem.Written().size();
    for (std::size_t call = 0; call < qpack::kFurtherExtractTreeCalls; ++call) {
        try {
            extractor.ExtractTree(base);
        } catch (const Exception&) {
        }
    }
    if (fileSystem.Written().size() != written) {
        return "a further ExtractTree call created " + fileSystem.Written().back();
    }
    return {};
}

}  // namespace quibel::fuzz
