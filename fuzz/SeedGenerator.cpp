// Writes the starting inputs of a fuzz target into a folder, generated afresh each time (nothing binary is kept
// in the repository):
//   seed_generator block OUTDIR [LH5_CORPUS_DIR]   compressed blocks (and the corpus's .blk files, if given)
//   seed_generator package OUTDIR                   package files
//   seed_generator inspect OUTDIR                   a role byte, then package files as qpack writes them
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/BitWriter.h"
#include "tests/support/Lh5StreamBuilder.h"
#include "tests/support/PackageBytes.h"

namespace {

using quibel::testing::BitWriter;
using quibel::testing::CodeSet;
using quibel::testing::Lh5StreamBuilder;
using Bytes = std::vector<std::uint8_t>;

void Save(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A well-formed stream of a few segments with random code sets, literals and matches; `content` grows by the
// decoded bytes.
Bytes RandomStream(std::mt19937& random, int segments, int maxSymbols, Bytes& content) {
    BitWriter bits;
    Lh5StreamBuilder lh5(bits);
    for (int segment = 0; segment < segments; ++segment) {
        std::vector<int> mainSymbols = {'a', 300};
        for (int s = 0; s < quibel::testing::kMainSymbols; ++s) {
            if (random() % 5 == 0) {
                mainSymbols.push_back(s);
            }
        }
        std::vector<int> offsetSymbols = {0};
        for (int v = 1; v < quibel::testing::kOffsetSymbols; ++v) {
            if (random() % 2 == 0) {
                offsetSymbols.push_back(v);
            }
        }
        if (offsetSymbols.size() == 1) {
            offsetSymbols.push_back(13);
        }
        const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(maxSymbols));
        lh5.Segment(static_cast<std::uint32_t>(count), CodeSet::Over(quibel::testing::kMainSymbols, mainSymbols),
                    CodeSet::Over(quibel::testing::kOffsetSymbols, offsetSymbols));
        for (int i = 0; i < count; ++i) {
            const int symbol = mainSymbols[random() % mainSymbols.size()];
            if (symbol < 256) {
                lh5.Literal(symbol);
                content.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            const int v = offsetSymbols[random() % offsetSymbols.size()];
            const int distance = v == 0 ? 1 : (1 << (v - 1)) + static_cast<int>(random() % (1u << (v - 1))) + 1;
            lh5.Match(symbol - 253, distance);
            for (int k = 0; k < symbol - 253; ++k) {
                const auto at = static_cast<std::ptrdiff_t>(content.size()) - distance;
                content.push_back(at >= 0 ? content[static_cast<std::size_t>(at)] : 0);
            }
        }
    }
    return bits.Bytes();
}

Bytes RandomBlock(std::mt19937& random, int segments, int maxSymbols) {
    Bytes content;
    const Bytes bits = RandomStream(random, segments, maxSymbols, content);
    return quibel::testing::MakeBlock(static_cast<std::int32_t>(content.size()), bits);
}

void WriteBlockSeeds(const std::filesystem::path& folder, const char* corpus) {
    std::mt19937 random(1);
    for (int i = 0; i < 24; ++i) {
        Save(folder, "random-" + std::to_string(i), RandomBlock(random, 1 + i % 3, i < 12 ? 40 : 2000));
    }
    Save(folder, "size-only", quibel::testing::MakeBlock(100, {}));
    Save(folder, "negative-size", quibel::testing::MakeBlock(-1, {0xFF}));
    BitWriter single;
    Lh5StreamBuilder lh5(single);
    lh5.Segment(0, CodeSet::One('s'), CodeSet::One(0));
    lh5.Segment(3, CodeSet::One(300), CodeSet::One(5));
    lh5.Match(47, 17);
    lh5.Match(47, 20);
    lh5.Match(47, 31);
    Save(folder, "one-symbol-sets", quibel::testing::MakeBlock(65536 + 3 * 47, single.Bytes()));
    if (corpus != nullptr) {
        for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
            if (entry.path().extension() == ".blk") {
                std::filesystem::copy_file(entry.path(), folder / entry.path().filename(),
                                           std::filesystem::copy_options::overwrite_existing);
            }
        }
    }
}

void WritePackageSeeds(const std::filesystem::path& folder) {
    using quibel::testing::BytesOf;
    using quibel::testing::PackageBytes;
    std::mt19937 random(2);
    Bytes content;
    const Bytes lh5 = RandomStream(random, 2, 300, content);
    const Bytes block = quibel::testing::MakeBlock(static_cast<std::int32_t>(content.size()), lh5);

    PackageBytes canonical;
    canonical.Zeros(6).Header({"Quibel 4.1", "banner"});
    canonical.Directory("").File("readme.txt", BytesOf("Bonjour\r\n")).FileWithBlock("data.bin", block);
    canonical.Directory("\\data").File("a.txt", BytesOf("aaa")).File("empty", {});
    canonical.Directory("\\data\\sounds").File("b.wav", Bytes(300, 7));
    Save(folder, "canonical", canonical.bytes);

    PackageBytes hostile;
    hostile.Header({});
    hostile.Directory("").Directory("\\..").File("..", BytesOf("x")).Directory("\\a\\..\\..\\b");
    hostile.File("c:evil", BytesOf("x")).File("CON.txt", BytesOf("x")).Directory("\\. .\\x").File("z", {});
    Save(folder, "hostile-names", hostile.bytes);

    PackageBytes odd;
    odd.Header({"x"}).Directory("").Word(0x1234).File("f", BytesOf("ff")).Int32(-1).Word(0xDC19).Int32(3);
    Save(folder, "odd-tags", odd.bytes);
}

// As qpack writes them: closing tags and a digest record (whose digest the target puts right), in each role.
void WriteInspectSeeds(const std::filesystem::path& folder) {
    using quibel::testing::BytesOf;
    using quibel::testing::PackageBytes;
    PackageBytes tree;
    tree.Header({"Quibel 4.1"}).Directory("").File("lisez-moi.txt", BytesOf("Bonjour\r\n")).File("vide", {});
    tree.Directory("\\voix").File("Julie.voc", Bytes(300, 7)).Directory("\\voix\\fr");
    tree.Zeros(2 * 3);
    for (const std::uint8_t role : {0, 1, 2 + 3 * 7}) {
        const std::size_t leading = role == 0 ? 0 : 400000;
        PackageBytes file;
        file.bytes = {role};
        file.Raw(tree.bytes).Text("Quibel-SHA-256:");
        std::string length = std::to_string(leading + tree.bytes.size());
        file.Text(std::string(16 - length.size(), '0') + length + ":" + std::string(64, '0'));
        if (role == 2 + 3 * 7) {
            file.Zeros(5).Raw({0x40, 0, 0, 0, 0, 2, 2, 0}).Zeros(56);  // padding, then a 64-byte table
        }
        Save(folder, "role-" + std::to_string(role % 3), file.bytes);
        file.bytes.resize(1 + tree.bytes.size());
        Save(folder, "role-" + std::to_string(role % 3) + "-no-record", file.bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: seed_generator block|package|inspect OUTDIR [LH5_CORPUS_DIR]\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    if (target == "block") {
        WriteBlockSeeds(folder, argc > 3 ? argv[3] : nullptr);
    } else if (target == "package") {
        WritePackageSeeds(folder);
    } else if (target == "inspect") {
        WriteInspectSeeds(folder);
    } else {
        std::fprintf(stderr, "seed_generator: unknown target %s\n", target.c_str());
        return 2;
    }
    return 0;
}
