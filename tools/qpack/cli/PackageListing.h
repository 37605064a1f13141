#pragma once
// The lines of a package's listing on stdout, printed as the walk reads each entry: its banner and a column head
// once the payload is found, one line per entry, then the totals. list prints it; verify -v prints its entries.

#include <cstdint>
#include <string>

#include "tools/qpack/inspect/PackageChecker.h"
#include "tools/qpack/inspect/PackageRole.h"

namespace quibel::qpack {

struct ListingOptions {
    enum class Form {
        Columns,  // the banner, a column head, a line per entry, the totals
        Tabs,     // a line per entry only: path, kind, stored size, decoded size, offset, separated by tabs
        Names,    // a line per entry only: its path, a directory's ending in /
    };
    bool entries = true;   // a line per entry (list -q: the totals only)
    bool offsets = false;  // each file's line starts with its block's offset (-v)
    Form form = Form::Columns;
};

class PackageListing {
  public:
    // command and file name the note that says where the payload was found, printed first when note is set.
    PackageListing(std::string command,
                   std::string fileName,
                   const PackageRole& role,
                   bool note,
                   ListingOptions options);

    // For CheckOptions::bannerLine: printed as read, never kept.
    void BannerLine(const PackageReport& report, const std::string& line);
    // For CheckOptions::entry.
    void Entry(const PackageReport& report, const PackageEntry& entry);
    // The totals line (and "signed ..." for a signed file).
    void Totals(const PackageReport& report);

    // Both callbacks set in options.
    void Attach(CheckOptions& options);

  private:
    void Note(const PackageReport& report);
    void Head(const PackageReport& report);

    std::string command_;
    std::string fileName_;
    const PackageRole& role_;
    bool note_;
    ListingOptions options_;
    bool noted_ = false;
    bool headed_ = false;
    std::int64_t stored_ = 0;
    std::int64_t decoded_ = 0;
};

}  // namespace quibel::qpack
