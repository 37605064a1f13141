// The eight icons as the program stores them: 16-colour bitmaps of the stated sizes, each with a transparent
// colour (its bottom-left pixel) around an opaque picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quibel {
namespace {

struct IconCase {
    const char* name;
    int width;
    int height;
};

// The palette index of a pixel of a bottom-up 4-bit DIB.
int PixelIndex(const BITMAPINFOHEADER& header, int x, int yFromBottom) {
    const auto* bits = reinterpret_cast<const std::uint8_t*>(&header) + header.biSize + 16 * sizeof(RGBQUAD);
    const int stride = (header.biWidth * 4 + 31) / 32 * 4;
    const std::uint8_t byte = bits[yFromBottom * stride + x / 2];
    return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

TEST(PickerIcons, EightSixteenColourBitmapsWithATransparentCorner) {
    const IconCase icons[] = {
        {"FLOPPY", 16, 11}, {"HARD", 16, 11},       {"NETWORK", 16, 11},       {"CDROM", 16, 11},
        {"RAM", 16, 11},    {"OPENFOLDER", 16, 15}, {"CURRENTFOLDER", 16, 15}, {"CLOSEDFOLDER", 16, 15},
    };
    for (const IconCase& icon : icons) {
        HRSRC found = FindResourceA(nullptr, icon.name, MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(found, nullptr) << icon.name;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
        ASSERT_NE(header, nullptr) << icon.name;
        EXPECT_EQ(header->biWidth, icon.width) << icon.name;
        EXPECT_EQ(header->biHeight, icon.height) << icon.name;  // positive: bottom-up
        EXPECT_EQ(header->biBitCount, 4) << icon.name;
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB)) << icon.name;

        const int transparent = PixelIndex(*header, 0, 0);
        std::set<int> opaque;
        for (int y = 0; y < icon.height; ++y) {
            for (int x = 0; x < icon.width; ++x) {
                if (PixelIndex(*header, x, y) != transparent) {
                    opaque.insert(PixelIndex(*header, x, y));
                }
            }
        }
        EXPECT_GE(opaque.size(), 2u) << icon.name << ": a picture of at least two colours";
    }
}

}  // namespace
}  // namespace quibel
