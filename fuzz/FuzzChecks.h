#pragma once
// What the fuzz targets check on one input, shared with the test that replays every kept finding
// (tests/payload/DecompressBlockFindings_test.cpp). Each check returns an empty string when the input is handled
// soundly, else what went wrong.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzLimits.h"
#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "payload/FileSystem.h"
#include "payload/PackageReader.h"
#include "payload/TreeExtractor.h"
#include "tests/support/Lh5Reference.h"
#include "tests/support/Lh5TestDecode.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/RecordedLines.h"

namespace quibel::fuzz {

// One compressed block (a positive decoded size reduced below MaxDecodedSize): DecompressBlock must write what the
// step-by-step reference decoder writes and fail exactly when it fails; a success writes the decoded size, a
// failure only the whole chunks before it.
inline std::string CheckBlock(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> block(data, data + size);
    std::int32_t decodedSize = 0;
    if (block.size() >= 4) {
        auto field = static_cast<std::uint32_t>(block[0] | block[1] << 8 | block[2] << 16) |
                     static_cast<std::uint32_t>(block[3]) << 24;
        if (static_cast<std::int32_t>(field) > 0) {
            field %= MaxDecodedSize;
        }
        for (int i = 0; i < 4; ++i) {
            block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(field >> (8 * i));
        }
        decodedSize = static_cast<std::int32_t>(field);
    }
    bool referenceFailed = false;
    const std::vector<std::uint8_t> reference = testing::Lh5Reference::DecodeAll(block, referenceFailed);
    const std::size_t want = decodedSize > 0 ? static_cast<std::size_t>(decodedSize) : 0;
    // Both bit-buffer widths: the installer decodes with 32 bits, a 64-bit processor with 64.
    for (const int wordBits : {32, 64}) {
        const testing::DecodeOutcome outcome = testing::DecodeBlock(block, wordBits);
        const std::string sizes = " (" + std::to_string(wordBits) + "-bit reader, " +
                                  std::to_string(outcome.bytes.size()) + " bytes written, decoded size " +
                                  std::to_string(want) + ")";
        if (outcome.corrupt != referenceFailed) {
            return std::string(outcome.corrupt ? "failed where the reference decodes"
                                               : "decoded where the reference fails") +
                   sizes;
        }
        if (outcome.bytes != reference) {
            return "bytes differ from the reference" + sizes;
        }
        if (!outcome.corrupt && outcome.bytes.size() != want) {
            return "success without the decoded size" + sizes;
        }
        if (outcome.corrupt && (outcome.bytes.size() % 8192 != 0 || outcome.bytes.size() >= want)) {
            return "failure after more than the whole chunks before it" + sizes;
        }
    }
    return {};
}

inline const std::string PackageRoot = "C:\\root";
inline const std::string PackageBase = PackageRoot + "\\Quibel";

// What Windows makes of one path component: trailing dots and spaces dropped; "CON.txt" is the device CON.
inline bool IsDeviceComponent(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (char& c : base) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           ((base[3] >= '1' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' || base[3] == '\xB3');
}

// Resolves the path as Windows would ("\" and "/" separate; "." stays; "..", or dots and spaces holding two dots
// or more, climb) and tells whether it names something strictly below the root, with no stream or device.
inline bool InsidePackageRoot(const std::string& path) {
    if (path.compare(0, PackageRoot.size() + 1, PackageRoot + "\\") != 0 || path.find(':', 2) != std::string::npos) {
        return false;
    }
    int depth = 0;  // levels below the root
    std::size_t begin = PackageRoot.size() + 1;
    while (begin <= path.size()) {
        std::size_t end = path.find_first_of("\\/", begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string component = path.substr(begin, end - begin);
        begin = end + 1;
        const bool dotsAndSpaces = component.find_first_not_of(". ") == std::string::npos;
        const auto dots = std::count(component.begin(), component.end(), '.');
        if (component.empty() || (dotsAndSpaces && dots < 2)) {
            continue;
        }
        if (dotsAndSpaces) {
            if (--depth < 0) {
                return false;
            }
            continue;
        }
        if (IsDeviceComponent(component)) {
            return false;
        }
        ++depth;
    }
    return depth > 0;
}

// A whole package file: payload search from offset 0, then tree extraction into PackageBase on an in-memory file
// system where "C:" and PackageRoot exist. Failures must be the system's own exceptions (others propagate), and
// nothing may be created or written outside PackageRoot.
inline std::string CheckPackage(const std::uint8_t* data, std::size_t size) {
    PayloadStream stream;
    stream.Replace(std::vector<std::uint8_t>(data, data + size));
    testing::MemoryFileSystem fileSystem({"C:", PackageRoot});
    testing::RecordedLines banner;
    testing::RecordedLines log;
    try {
        ForceDirectories(fileSystem, PackageBase);
        FindPayload(stream, 0, banner);
        TreeExtractor extractor(stream, fileSystem, log);
        extractor.ExtractTree(PackageBase);
    } catch (const Exception&) {
        // A failure the installer shows; what was written before it stays and is checked below.
    }
    for (const std::string& path : fileSystem.Written()) {
        if (!InsidePackageRoot(path)) {
            return "wrote outside " + PackageRoot + ": \"" + path + "\"";
        }
    }
    return {};
}

}  // namespace quibel::fuzz
