#include "tools/qpack/cli/PackageListing.h"

#include <algorithm>
#include <cstdio>

#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

double Ratio(std::int64_t stored, std::int64_t decoded) {
    return decoded > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(decoded) : 0.0;
}

// "         123" in the column of a number.
std::string Column(std::int64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%12lld ", static_cast<long long>(value));
    return text;
}

// The stored and decoded sizes and their ratio, then the place of the name.
std::string Sizes(std::int64_t stored, std::int64_t decoded) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%6.1f%%  ", Ratio(stored, decoded));
    return Column(stored) + Column(decoded) + ratio;
}

constexpr std::size_t kOffsetColumn = 13;  // Column's width

// A package's path (\data\a.txt, "" for the root) as the forms for programs show it: /data/a.txt, each name
// escaped (ListedName), so that a tab, a line feed or a backslash in a name never reads as a separator.
std::string ListedPath(const std::string& path) {
    std::string listed;
    for (std::size_t start = path[0] == '\\' ? 1 : 0; !path.empty() && start <= path.size();) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        listed += "/" + ListedName(path.substr(start, end - start));
        start = end + 1;
    }
    return listed;
}

// One entry as the forms for programs show it.
std::string ListedEntry(const PackageEntry& entry, ListingOptions::Form form) {
    if (form == ListingOptions::Form::Names) {
        return entry.isDirectory ? (entry.name.empty() ? "/" : ListedPath(entry.name) + "/")
                                 : ListedPath(entry.directory) + "/" + ListedName(entry.name);
    }
    if (entry.isDirectory) {
        return (entry.name.empty() ? "/" : ListedPath(entry.name)) + "\tdirectory\t0\t0\t-";
    }
    return ListedPath(entry.directory) + "/" + ListedName(entry.name) + "\tfile\t" + std::to_string(entry.blockLength) +
           "\t" + std::to_string(entry.decodedSize) + "\t" + std::to_string(entry.blockOffset);
}

}  // namespace

PackageListing::PackageListing(std::string command,
                               std::string fileName,
                               const PackageRole& role,
                               bool note,
                               ListingOptions options)
    : command_(std::move(command)), fileName_(std::move(fileName)), role_(role), note_(note), options_(options) {}

void PackageListing::Note(const PackageReport& report) {
    if (noted_) {
        return;
    }
    noted_ = true;
    if (note_) {
        PrintNote(command_, fileName_ + ": " + ScanStartNote(role_) + ", marker at offset " +
                                std::to_string(report.markerOffset));
    }
}

void PackageListing::BannerLine(const PackageReport& report, const std::string& line) {
    Note(report);
    if (options_.entries && options_.form == ListingOptions::Form::Columns) {
        WriteStandardOutput("banner: " + TerminalText(line) + "\n");
    }
}

void PackageListing::Attach(CheckOptions& options) {
    options.bannerLine = [this](const PackageReport& report, const std::string& line) { BannerLine(report, line); };
    options.entry = [this](const PackageReport& report, const PackageEntry& entry) { Entry(report, entry); };
}

void PackageListing::Head(const PackageReport& report) {
    Note(report);
    if (headed_) {
        return;
    }
    headed_ = true;
    if (options_.entries && options_.form == ListingOptions::Form::Columns) {
        WriteStandardOutput(std::string(options_.offsets ? "      offset " : "") +
                            "      stored      decoded   ratio  name\n");
    }
}

void PackageListing::Entry(const PackageReport& report, const PackageEntry& entry) {
    Head(report);
    if (!entry.isDirectory) {
        stored_ += entry.blockLength;
        decoded_ += entry.decodedSize;
    }
    if (!options_.entries) {
        return;
    }
    if (options_.form != ListingOptions::Form::Columns) {
        WriteStandardOutput(ListedEntry(entry, options_.form) + "\n");
        return;
    }
    const std::string offset = !options_.offsets   ? ""
                               : entry.isDirectory ? std::string(kOffsetColumn, ' ')
                                                   : Column(entry.blockOffset);
    if (entry.isDirectory) {
        WriteStandardOutput(offset + std::string(Sizes(0, 0).size(), ' ') + TerminalText(entry.name) + "\\\n");
        return;
    }
    WriteStandardOutput(offset + Sizes(entry.blockLength, entry.decodedSize) + TerminalText(entry.directory) + "\\" +
                        TerminalText(entry.name) + "\n");
}

void PackageListing::Totals(const PackageReport& report) {
    Head(report);
    if (options_.form != ListingOptions::Form::Columns) {
        return;
    }
    const std::string blank(options_.entries && options_.offsets ? kOffsetColumn : 0, ' ');
    std::string totals = blank + Sizes(stored_, decoded_) + TreeCounts(report.directories, report.files) + "\n";
    if (report.certificateTableSize > 0) {
        totals += "signed (certificate table of " + std::to_string(report.certificateTableSize) + " bytes)\n";
    }
    WriteStandardOutput(totals);
}

}  // namespace quibel::qpack
