// qpack list FILE [--from OFFSET]: the banner and the tree of a package, with stored and decoded sizes.

#include <cstdio>
#include <cstdlib>

#include "tools/qpack/InspectArguments.h"
#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/PackageChecker.h"
#include "tools/qpack/ParallelCompressor.h"
#include "tools/qpack/TerminalText.h"

namespace quibel::qpack {

std::optional<InspectArguments> ParseInspectArguments(const char* command, const Arguments& arguments, int& exitCode) {
    InspectArguments parsed;
    bool haveFile = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (arguments[i] == "--from") {
            char* end = nullptr;
            const long long value = ++i < arguments.size() ? std::strtoll(arguments[i].c_str(), &end, 10) : -1;
            if (end == nullptr || *end != '\0' || value < 0 || value > 0x7FFFFFFF) {
                exitCode = UsageError(command, "--from takes an offset from 0 to 2147483647");
                return std::nullopt;
            }
            parsed.from = static_cast<std::int32_t>(value);
        } else if (!haveFile && (arguments[i].empty() || arguments[i][0] != '-')) {
            parsed.file = arguments[i];
            haveFile = true;
        } else {
            exitCode = UsageError(command, "unexpected argument " + arguments[i]);
            return std::nullopt;
        }
    }
    if (!haveFile) {
        exitCode = UsageError(command, "expected FILE");
        return std::nullopt;
    }
    return parsed;
}

namespace {

double Ratio(std::int64_t stored, std::int64_t decoded) {
    return decoded > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(decoded) : 0.0;
}

}  // namespace

int RunList(const Arguments& arguments) {
    int exitCode = 0;
    const auto parsed = ParseInspectArguments("list", arguments, exitCode);
    if (!parsed) {
        return exitCode;
    }
    if (parsed->help) {
        std::printf(
            "usage: qpack list FILE [--from OFFSET]\n\n"
            "Prints the banner and the tree of the package in FILE, found from OFFSET (default 0; 400000\n"
            "for an installer): each directory, then its files with the stored size (block length), the\n"
            "decoded size and their ratio. Writes nothing.\n");
        return 0;
    }
    try {
        const PackageReport report =
            CheckPackage(ReadHostFile(HostPathFromArgument(parsed->file)), parsed->from, false);
        if (!report.payloadFound) {
            std::fprintf(stderr, "qpack list: %s: %s\n", parsed->file.c_str(), report.faults.front().c_str());
            return 1;
        }
        std::printf("marker at offset %lld\n", static_cast<long long>(report.markerOffset));
        for (const std::string& line : report.bannerLines) {
            std::printf("banner: %s\n", TerminalText(line).c_str());
        }
        std::printf("%12s %12s %7s  %s\n", "stored", "decoded", "ratio", "name");
        std::int64_t stored = 0;
        std::int64_t decoded = 0;
        std::size_t files = 0;
        std::size_t directories = 0;
        for (const PackageEntry& entry : report.entries) {
            if (entry.isDirectory) {
                ++directories;
                std::printf("%12s %12s %7s  %s\\\n", "", "", "", TerminalText(entry.name).c_str());
                continue;
            }
            ++files;
            stored += entry.blockLength;
            decoded += entry.decodedSize;
            std::printf("%12d %12d %6.1f%%  %s\\%s\n", entry.blockLength, entry.decodedSize,
                        Ratio(entry.blockLength, entry.decodedSize), TerminalText(entry.directory).c_str(),
                        TerminalText(entry.name).c_str());
        }
        std::printf("%12lld %12lld %6.1f%%  %zu directories, %zu files\n", static_cast<long long>(stored),
                    static_cast<long long>(decoded), Ratio(stored, decoded), directories, files);
        if (report.certificateTableSize > 0) {
            std::printf("signed (certificate table of %lld bytes)\n",
                        static_cast<long long>(report.certificateTableSize));
        }
        for (const std::string& fault : report.faults) {
            std::fprintf(stderr, "qpack list: %s\n", fault.c_str());
        }
        return report.faults.empty() ? 0 : 1;
    } catch (const PackError& failure) {
        std::fprintf(stderr, "qpack list: %s\n", failure.what());
        return 1;
    }
}

}  // namespace quibel::qpack
