#pragma once
// The shared corpus of real lh5 streams: MANIFEST.tsv lists each block file with its expected output.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/SharedData.h"

namespace quibel::testing {

struct CorpusMember {
    std::string name;
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> expected;
};

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::optional<std::filesystem::path> Lh5CorpusDirectory() {
    const auto shared = SharedDirectory();
    if (!shared || !std::filesystem::exists(*shared / "lh5-corpus" / "MANIFEST.tsv")) {
        return std::nullopt;
    }
    return *shared / "lh5-corpus";
}

inline std::vector<CorpusMember> LoadLh5Corpus(const std::filesystem::path& directory) {
    std::vector<CorpusMember> members;
    std::ifstream manifest(directory / "MANIFEST.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string block;
        std::string output;
        std::getline(fields, block, '\t');
        std::getline(fields, output, '\t');
        members.push_back({block, ReadWholeFile(directory / block), ReadWholeFile(directory / output)});
    }
    return members;
}

}  // namespace quibel::testing
