// A verbose pack lists each file on stdout as it is written, in package order: size, stored size (as qpack list
// shows it), ratio and path, in aligned columns. The window changes nothing in the package: one smaller than
// every part of every file, on several threads, gives the bytes of no limit on one thread. The summary names the
// file the installer needs the most memory for, as the written package shows it.

#include "tools/qpack/write/PayloadBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "tools/qpack/inspect/PackageChecker.h"

namespace quibel::qpack {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WritePayload, ListsEachFileAsWrittenWhateverTheWindow) {
    struct File {
        std::string path;  // in the package; listed in this order
        std::string content;
    };
    std::string noise;
    for (std::uint32_t x = 1; noise.size() < 5000; x = x * 1103515245u + 12345u) {
        noise += static_cast<char>(x >> 24);
    }
    const File files[] = {{"\\a.txt", std::string(3000, 'a')},
                          {"\\Empty", ""},
                          {"\\sub\\b.bin", noise},
                          {"\\sub\\deeper\\c.txt", "one line of text, one line of text\n"}};
    const fs::path dir = fs::temp_directory_path() / "qpack-payload-builder";
    fs::remove_all(dir);
    for (const File& file : files) {
        std::string relative = file.path.substr(1);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        fs::create_directories((dir / "tree" / relative).parent_path());
        std::ofstream(dir / "tree" / relative, std::ios::binary) << file.content;
    }
    const struct {
        int threads;
        std::uint64_t windowBytes;
    } runs[] = {{1, std::uint64_t{1} << 40}, {3, 1}};
    std::vector<std::uint8_t> first;
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << run.threads << " threads, window " << run.windowBytes);
        PayloadOptions options;
        options.threads = run.threads;
        options.windowBytes = run.windowBytes;
        options.encoder.partLength = 1024;  // files cut into parts, compressed on any thread
        options.verbose = true;
        testing::internal::CaptureStdout();
        PayloadSummary summary;
        {
            OutputFile out(dir / "out.pkg");
            PackageDigester digest;
            summary = WritePayload(ScanTree(dir / "tree"), options, out, digest);
            out.Commit();
        }
        std::istringstream listing(testing::internal::GetCapturedStdout());
        const std::vector<std::uint8_t> bytes = ReadBytes(dir / "out.pkg");
        if (first.empty()) {
            first = bytes;
        }
        EXPECT_EQ(bytes, first);

        std::vector<PackageEntry> entries = CheckPackage(bytes, 0, false).entries;
        std::erase_if(entries, [](const PackageEntry& entry) { return entry.isDirectory; });
        ASSERT_EQ(entries.size(), std::size(files));
        const std::regex format(R"(( *\d+) +(\d+) +(\d+\.\d%)  (\\.*))");
        std::string line;
        std::smatch fields;
        const std::ptrdiff_t pathColumn = 35;  // as list's
        for (std::size_t i = 0; i < entries.size(); ++i) {
            ASSERT_TRUE(std::getline(listing, line)) << "no line for " << files[i].path;
            ASSERT_TRUE(std::regex_match(line, fields, format)) << line;
            const double ratio = files[i].content.empty()
                                     ? 0.0
                                     : 100.0 * entries[i].blockLength / static_cast<double>(files[i].content.size());
            char ratioText[16];
            std::snprintf(ratioText, sizeof ratioText, "%.1f%%", ratio);
            EXPECT_EQ(fields[4].str(), files[i].path);
            EXPECT_EQ(entries[i].directory + "\\" + entries[i].name, files[i].path);
            EXPECT_EQ(std::stoll(fields[1].str()), entries[i].blockLength);
            EXPECT_EQ(std::stoull(fields[2].str()), files[i].content.size());
            EXPECT_EQ(fields[3].str(), ratioText);
            EXPECT_EQ(fields[1].length(), 12u) << "sizes right-aligned";
            EXPECT_EQ(fields.position(4), pathColumn) << "paths in one column";
        }
        EXPECT_FALSE(std::getline(listing, line)) << "more lines than files: " << line;
        const auto heaviest = std::max_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.blockLength + a.decodedSize < b.blockLength + b.decodedSize;
        });
        ASSERT_TRUE(summary.heaviestFile);
        // Named by its host path, as a warning names it.
        std::string relative = (heaviest->directory + "\\" + heaviest->name).substr(1);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        EXPECT_EQ(summary.heaviestFile->path, (dir / "tree" / relative).make_preferred().string());
        EXPECT_EQ(summary.heaviestFile->blockLength, heaviest->blockLength);
        EXPECT_EQ(summary.heaviestFile->decodedSize, heaviest->decodedSize);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quibel::qpack
