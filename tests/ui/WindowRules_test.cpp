// The window's rules that need no window: layout scaling, the install directory shown in LabelRep, the focus
// order of Tab and the arrow keys, the completion message's clipboard text.
#include <gtest/gtest.h>

#include "app/ApplicationWindow.h"
#include "ui/CompletionDialog.h"
#include "ui/FocusOrder.h"
#include "ui/Form1.h"
#include "ui/InstallDirectory.h"
#include "ui/LayoutScaling.h"
#include "ui/UiResources.h"

namespace quibel {
namespace {

// The program's icon is the taskbar entry's; a class icon on the form would show in its caption bar. Class data of
// another process can't be read under Wine, so the classes are looked at here.
TEST(WindowClasses, TheIconBelongsToTheTaskbarWindowNotToTheForm) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUIBEL));
    ASSERT_NE(icon, nullptr);
    ApplicationWindow::RegisterWindowClass(instance, icon);
    RegisterFormClass(instance, DefWindowProcA);
    struct Case {
        const char* className;
        HICON expected;
    };
    for (const Case& c : {Case{"TApplication", icon}, Case{"TForm1", nullptr}}) {
        WNDCLASSA registered{};
        ASSERT_TRUE(GetClassInfoA(instance, c.className, &registered)) << c.className;
        EXPECT_EQ(registered.hIcon, c.expected) << c.className;
    }
}

TEST(LayoutScaling, ClientAreaForAThirteenPixelFont) {
    EXPECT_EQ(ScaleValue(1182, 13, 16), 960);  // 960.375
    EXPECT_EQ(ScaleValue(860, 13, 16), 699);   // 698.75
}

TEST(LayoutScaling, RoundsHalvesAwayFromZero) {
    struct Case {
        int value, numerator, denominator, expected;
    };
    const Case cases[] = {
        {1, 1, 2, 1},    {3, 1, 2, 2},     {-1, 1, 2, -1},   {-3, 1, 2, -2}, {5, 3, 4, 4},
        {10, 13, 16, 8}, {20, 13, 16, 16}, {79, 13, 16, 64}, {7, 1, -2, -4}, {0, 13, 16, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleValue(c.value, c.numerator, c.denominator), c.expected)
            << c.value << " * " << c.numerator << " / " << c.denominator;
    }
}

TEST(LayoutScaling, NoOverflowForLargeProducts) {
    EXPECT_EQ(ScaleValue(2000000000, 3, 4), 1500000000);
}

TEST(LayoutScaling, SizesFollowTheScaledEdges) {
    // Panel1 at 13 px: left 326 -> 265 (264.875), right 820 -> 666 (666.25).
    const Bounds panel = ScaleBounds({326, 314, 494, 356}, 13, 16);
    EXPECT_EQ(panel.left, 265);
    EXPECT_EQ(panel.top, 255);
    EXPECT_EQ(panel.width, 666 - 265);
    EXPECT_EQ(panel.height, 544 - 255);  // bottom 670 -> 544 (544.375)
    // Two controls that touch at design size still touch.
    const Bounds a = ScaleBounds({0, 0, 11, 11}, 13, 16);
    const Bounds b = ScaleBounds({11, 11, 11, 11}, 13, 16);
    EXPECT_EQ(a.left + a.width, b.left);
    EXPECT_EQ(a.top + a.height, b.top);
}

TEST(LayoutScaling, ReferenceHeightLeavesTheLayout) {
    const Bounds memo = ScaleBounds({10, 79, 484, 306}, 16, 16);
    EXPECT_EQ(memo.left, 10);
    EXPECT_EQ(memo.top, 79);
    EXPECT_EQ(memo.width, 484);
    EXPECT_EQ(memo.height, 306);
}

TEST(LayoutScaling, WindowFontForTheScreenResolution) {
    EXPECT_EQ(FontHeightForDpi(11, 96), 11);
    EXPECT_EQ(FontHeightForDpi(11, 120), 14);  // 13.75
    EXPECT_EQ(FontHeightForDpi(11, 144), 17);  // 16.5
    EXPECT_EQ(FontHeightForDpi(11, 192), 22);
}

TEST(InstallDirectory, QuibelBelowThePickedDirectory) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\", "C:\\Quibel"},
        {"E:\\", "E:\\Quibel"},
        {"d:\\", "d:\\Quibel"},
        {"D:\\Jeux\\Ecole", "D:\\Jeux\\Ecole\\Quibel"},
        {"C:\\Quibel", "C:\\Quibel\\Quibel"},
        {"E:\\Quibel", "E:\\Quibel\\Quibel"},
        {"\\\\serveur\\partage\\", "\\\\serveur\\partage\\Quibel"},
        {"C:\\Program Files", "C:\\Program Files\\Quibel"},
        {"", "\\Quibel"},
    };
    for (const auto& [picked, expected] : cases) {
        EXPECT_EQ(InstallDirectoryFor(picked), expected) << picked;
    }
}

TEST(FocusOrder, ForwardAndBackwardWrapAround) {
    const std::vector<bool> all(3, true);
    EXPECT_EQ(NextFocusIndex(all, 0, 1), 1);
    EXPECT_EQ(NextFocusIndex(all, 2, 1), 0);
    EXPECT_EQ(NextFocusIndex(all, 0, -1), 2);
    EXPECT_EQ(NextFocusIndex(all, 1, -1), 0);
}

TEST(FocusOrder, SkipsControlsThatCannotTakeTheFocus) {
    // The directory page's three controls, then the hidden install page's three.
    const std::vector<bool> directoryPage = {true, true, true, false, false, false};
    EXPECT_EQ(NextFocusIndex(directoryPage, 2, 1), 0);
    EXPECT_EQ(NextFocusIndex(directoryPage, 0, -1), 2);
    // A run disabled "Précédent" (last): from the memo, forward wraps to the start button.
    const std::vector<bool> afterRun = {false, false, false, true, true, false};
    EXPECT_EQ(NextFocusIndex(afterRun, 4, 1), 3);
    EXPECT_EQ(NextFocusIndex(afterRun, 3, -1), 4);
}

TEST(FocusOrder, FromNoControlAndToNone) {
    const std::vector<bool> some = {false, true, true, false};
    EXPECT_EQ(NextFocusIndex(some, -1, 1), 1);
    EXPECT_EQ(NextFocusIndex(some, -1, -1), 2);
    EXPECT_EQ(NextFocusIndex({false, false}, -1, 1), -1);
    EXPECT_EQ(NextFocusIndex({}, -1, 1), -1);
    // The only control that can take the focus keeps it.
    EXPECT_EQ(NextFocusIndex({false, true, false}, 1, 1), 1);
}

TEST(CompletionMessage, ClipboardTextOfTheBox) {
    const std::string rule = "---------------------------\r\n";
    EXPECT_EQ(MessageClipboardText("installateur Quibel 3", "Installation terminée", {"OK"}),
              rule + "installateur Quibel 3\r\n" + rule + "Installation terminée\r\n" + rule + "OK   \r\n" + rule);
    EXPECT_EQ(rule.size(), 29u);
    EXPECT_EQ(MessageClipboardText("t", "m", {"Oui", "Non"}),
              rule + "t\r\n" + rule + "m\r\n" + rule + "Oui   Non   \r\n" + rule);
}

}  // namespace
}  // namespace quibel
