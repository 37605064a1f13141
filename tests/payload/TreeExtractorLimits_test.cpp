// The walk against cut packages and very deep nesting.

#include <pthread.h>

#include <gtest/gtest.h>

#include <functional>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"

namespace quibel {
namespace {

using testing::BytesOf;
using testing::MemoryFileSystem;
using testing::PackageBytes;
using testing::RecordedLines;

const std::string Parent = "C:\\Apps";
const std::string Base = Parent + "\\Quibel";

// One entry of a package under construction, with the offsets at which its fields end.
struct EntryLayout {
    std::size_t start;       // the tag
    std::size_t completeAt;  // the offset at which the entry is whole
    std::string logLine;
};

struct LaidOutPackage {
    PackageBytes package;
    std::size_t headerEnd = 0;
    std::vector<EntryLayout> entries;

    void Directory(const std::string& name) {
        const std::size_t start = package.bytes.size();
        package.Directory(name);
        entries.push_back({start, package.bytes.size(), "Répertoire " + Base + name});
    }
    void File(const std::string& directory, const std::string& name, const std::vector<std::uint8_t>& content) {
        const std::size_t start = package.bytes.size();
        package.File(name, content);
        const std::size_t blockLength = package.bytes.size() - start - 2 - 4 - name.size();
        entries.push_back({start, package.bytes.size(),
                           "Fichier " + Base + directory + "\\" + name + " taille :" + std::to_string(blockLength) +
                               "->" + std::to_string(content.size())});
    }
};

LaidOutPackage SamplePackage() {
    LaidOutPackage laid;
    laid.package.Header({"Quibel", "4.1"});
    laid.headerEnd = laid.package.bytes.size();
    laid.Directory("");
    laid.File("", "a.txt", BytesOf("alpha"));
    laid.File("", "vide", {});
    laid.Directory("\\données");
    laid.File("\\données", "b.bin", std::vector<std::uint8_t>(300, 7));
    laid.Directory("\\données\\vide");
    return laid;
}

// Cutting a package anywhere gives the outcome of the place of the cut: inside the banner a read error; inside
// a tag a quiet end; inside a name or a block a read error with nothing created for the cut entry. Nothing is ever
// written outside the base's parent.
TEST(ExtractTreeLimits, APackageCutAtEveryLength) {
    const LaidOutPackage laid = SamplePackage();
    const auto& whole = laid.package.bytes;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        PayloadStream stream;
        stream.Replace(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        MemoryFileSystem fileSystem({"C:", Parent, Base});
        RecordedLines banner;
        RecordedLines log;
        bool readError = false;
        try {
            FindPayload(stream, 0, banner);
            TreeExtractor(stream, fileSystem, log).ExtractTree(Base);
        } catch (const EReadError&) {
            readError = true;
        }

        std::vector<std::string> expectedLog;
        bool expectReadError = cut >= 8 && cut < laid.headerEnd;
        for (const auto& entry : laid.entries) {
            if (cut >= entry.completeAt) {
                expectedLog.push_back(entry.logLine);
            } else if (cut >= laid.headerEnd && cut >= entry.start + 2) {
                expectReadError = true;
                break;
            } else {
                break;
            }
        }
        if (cut < laid.headerEnd) {
            expectedLog.clear();
        }
        EXPECT_EQ(readError, expectReadError) << "cut at " << cut;
        EXPECT_EQ(log.lines, expectedLog) << "cut at " << cut;
        for (const auto& path : fileSystem.Written()) {
            EXPECT_EQ(path.rfind(Base, 0), 0u) << "cut at " << cut << " wrote " << path;
        }
    }
}

// Runs work on a thread with the given stack, the usual default of Windows.
void RunOnStack(std::size_t stackSize, std::function<void()> work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackSize), 0);
    pthread_t thread;
    auto entry = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, entry, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(ExtractTreeLimits, OneHundredThousandNestedDirectoriesOnAOneMebibyteStack) {
    constexpr int kDirectories = 100000;
    PackageBytes package;
    package.Header().Directory("");
    for (int i = 0; i < kDirectories; ++i) {
        package.Directory("\\d" + std::to_string(i));
    }
    package.File("last.txt", BytesOf("x"));
    PayloadStream stream;
    stream.Replace(package.bytes);
    MemoryFileSystem fileSystem({"C:", Parent, Base});
    RecordedLines banner;
    RecordedLines log;
    bool failed = false;
    RunOnStack(1 << 20, [&] {
        try {
            FindPayload(stream, 0, banner);
            TreeExtractor(stream, fileSystem, log).ExtractTree(Base);
        } catch (const std::exception&) {
            failed = true;
        }
    });
    EXPECT_FALSE(failed);
    EXPECT_EQ(log.lines.size(), static_cast<std::size_t>(kDirectories + 2));
    EXPECT_EQ(fileSystem.Files().count(Base + "\\d99999\\last.txt"), 1u);
}

}  // namespace
}  // namespace quibel
