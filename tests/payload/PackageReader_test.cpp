#include "payload/PackageReader.h"

#include <gtest/gtest.h>

#include "payload/Errors.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"

namespace quibel {
namespace {

using testing::PackageBytes;
using testing::RecordedLines;

constexpr std::uint16_t ET = MarkerWord;

PayloadStream StreamOf(const PackageBytes& package) {
    PayloadStream stream;
    stream.Replace(package.bytes);
    return stream;
}

TEST(FindPayload, LocatesTheFirstRunOfFourAtAnEvenDistance) {
    struct Case {
        const char* what;
        PackageBytes package;
        std::int32_t start;
        std::int64_t positionAfter;  // -1: at the end of the data
        std::vector<std::string> banner;
    };
    const std::vector<Case> cases = {
        {"marker at the start offset", PackageBytes().Header({"abc"}), 0, 21, {"abc"}},
        {"marker after leading data", PackageBytes().Zeros(6).Header(), 0, 20, {}},
        {"marker at an odd distance", PackageBytes().Zeros(1).Header({"x"}), 0, -1, {}},
        {"scan starts past the marker",
         PackageBytes().Header().Zeros(2).Header({"second"}),
         2,
         16 + 14 + 10,
         {"second"}},
        {"three, another word, then four",
         PackageBytes().Word(ET).Word(ET).Word(ET).Word(1).Header({"b"}),
         0,
         8 + 14 + 5,
         {"b"}},
        {"five in a row: the fifth is the reserved word",
         PackageBytes().Word(ET).Word(ET).Word(ET).Word(ET).Word(ET).Int32(1).String("r"),
         0,
         19,
         {"r"}},
        {"a run cut off by the end", PackageBytes().Word(ET).Word(ET).Word(ET), 0, -1, {}},
        {"a word cut in half ends the scan", PackageBytes().Word(ET).Word(ET).Word(ET).Text("E"), 0, -1, {}},
        {"banner count zero", PackageBytes().Header().Word(DirectoryTag), 0, 14, {}},
        {"banner count negative", PackageBytes().Word(ET).Word(ET).Word(ET).Word(ET).Word(0).Int32(-5), 0, 14, {}},
        {"banner lines of length zero and below",
         PackageBytes().Word(ET).Word(ET).Word(ET).Word(ET).Word(0).Int32(2).Int32(0).Int32(-3),
         0,
         22,
         {"", ""}},
    };
    for (const auto& c : cases) {
        PayloadStream stream = StreamOf(c.package);
        RecordedLines banner;
        FindPayload(stream, c.start, banner);
        const std::int64_t expected = c.positionAfter < 0 ? stream.Size() : c.positionAfter;
        EXPECT_EQ(stream.Position(), expected) << c.what;
        EXPECT_EQ(banner.lines, c.banner) << c.what;
    }
}

TEST(FindPayload, StartAtOrBeyondTheEndFindsNothingAndKeepsThePosition) {
    PayloadStream stream = StreamOf(PackageBytes().Header({"a"}));
    RecordedLines banner;
    FindPayload(stream, 400000, banner);
    EXPECT_EQ(stream.Position(), 400000);
    FindPayload(stream, static_cast<std::int32_t>(stream.Size()), banner);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_TRUE(banner.lines.empty());
}

TEST(FindPayload, ScansFromTheInstallerOffset) {
    PackageBytes installer;
    installer.Zeros(100).Header({"too early"});
    installer.Zeros(PayloadScanStart - installer.bytes.size()).Header({"payload"});
    PayloadStream stream = StreamOf(installer);
    RecordedLines banner;
    FindPayload(stream, PayloadScanStart, banner);
    EXPECT_EQ(banner.lines, std::vector<std::string>{"payload"});
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(FindPayload, DataEndingInsideTheBannerIsAReadError) {
    const PackageBytes whole = PackageBytes().Header({"first", "second"});
    // Cut inside the reserved word, the count, a line's length and a line's characters.
    for (std::size_t cut : std::vector<std::size_t>{9, 12, 16, 20, whole.bytes.size() - 1}) {
        PackageBytes package;
        package.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        PayloadStream stream = StreamOf(package);
        RecordedLines banner;
        EXPECT_THROW(FindPayload(stream, 0, banner), EReadError) << "cut at " << cut;
    }
}

TEST(FindPayload, AppendsTheBannerAgainOnEveryCall) {
    PayloadStream stream = StreamOf(PackageBytes().Header({"Quibel", "é"}));
    RecordedLines banner;
    FindPayload(stream, 0, banner);
    FindPayload(stream, 0, banner);
    EXPECT_EQ(banner.lines, (std::vector<std::string>{"Quibel", "é", "Quibel", "é"}));
}

TEST(ReadLengthString, ReadsCountedCharactersOrFailsWhenCut) {
    PayloadStream stream = StreamOf(PackageBytes().String("abc").Int32(0).Int32(-7).Int32(5).Text("ab"));
    EXPECT_EQ(ReadLengthString(stream), "abc");
    EXPECT_EQ(ReadLengthString(stream), "");
    EXPECT_EQ(ReadLengthString(stream), "");
    EXPECT_EQ(stream.Position(), 15);
    EXPECT_THROW(ReadLengthString(stream), EReadError);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_THROW(ReadLengthString(stream), EReadError);
}

}  // namespace
}  // namespace quibel
