// SPDX-License-Identifier: MIT
// Dialog units to pixels, the minimised-icon arithmetic and the main dialog's template.
#include <gtest/gtest.h>

#include "dialog/dialog_template.h"

namespace quillon {
namespace {

TEST(DialogUnits, BaseUnitsAreTheRoundedAverageLetterWidthAndTheFontHeight) {
    struct Case {
        int lettersWidth;
        int height;
        DialogBaseUnits expected;
    };
    const Case cases[] = {
        {289, 13, {6, 13}},  // 11.1 pixels per pair of letters: 5.6 per letter
        {260, 13, {5, 13}},  // exactly 5 per letter
        {285, 16, {5, 16}},  // 5.48 rounds down
        {286, 16, {6, 16}},  // 5.5 rounds up
        {364, 17, {7, 17}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BaseUnitsFromFont(c.lettersWidth, c.height), c.expected)
            << "letters " << c.lettersWidth << ", height " << c.height;
    }
}

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 3, 2), 8);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 6, 4), 2);
    EXPECT_EQ(MulDiv(1, 5, 4), 1);
    EXPECT_EQ(MulDiv(346, 13, 8), 562);
    EXPECT_EQ(MulDiv(360, 13, 8), 585);
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);  // no overflow in the product
}

TEST(DialogUnits, TheCloseButtonMapsToPixelsValueByValue) {
    // x MulDiv(420, 6, 4) = 630, width MulDiv(50, 6, 4) = 75; y 562.25 and height 22.75 round.
    EXPECT_EQ(MapDialogRect({420, 346, 50, 14}, {6, 13}), (PixelRect{630, 562, 75, 23}));
    EXPECT_EQ(MapDialogRect({0, 0, kMainDialogWidth, kMainDialogHeight}, {6, 13}),
              (PixelRect{0, 0, 716, 596}));
}

TEST(DialogUnits, EachValueIsMappedOnItsOwnAsWindowsMapsTemplates) {
    // Mapping the edges and subtracting would give a width and height of 1 here: the right edge
    // MulDiv(2, 6, 4) = 3 less the left edge 2.
    EXPECT_EQ(MapDialogRect({1, 1, 1, 1}, {6, 12}), (PixelRect{2, 2, 2, 2}));
    // The Convert button of the main dialog at 7x15 pixels per base unit: 42 units across are
    // 73.5 pixels, 74 (the edges would give 796 - 723 = 73); the log at 6x13, 306 high (not
    // 305).
    EXPECT_EQ(MapDialogRect({413, 32, 42, 16}, {7, 15}), (PixelRect{723, 60, 74, 30}));
    EXPECT_EQ(MapDialogRect({17, 147, 443, 188}, {6, 13}), (PixelRect{26, 239, 665, 306}));
}

TEST(MinimisedIcon, IsCentredWithTheRemainderRoundedUpAndTruncatedTowardZero) {
    struct Case {
        int client;
        int icon;
        PixelPoint expected;
    };
    const Case cases[] = {
        {36, 32, {2, 2}},   {33, 32, {1, 1}},
        {32, 32, {0, 0}},   {30, 32, {0, 0}},  // (30 - 32 + 1) / 2 = -1 / 2 truncates to 0
        {29, 32, {-1, -1}},                    // -2 / 2
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IconOrigin(c.client, c.client, c.icon, c.icon), c.expected)
            << "client " << c.client << ", icon " << c.icon;
    }
    EXPECT_EQ(IconOrigin(36, 33, 32, 32), (PixelPoint{2, 1}));
}

TEST(MainDialogTemplate, EveryControlLiesInsideTheDialog) {
    for (const ControlTemplate& control : kMainDialogControls) {
        EXPECT_GE(control.rect.x, 0) << control.id;
        EXPECT_GE(control.rect.y, 0) << control.id;
        EXPECT_LE(control.rect.x + control.rect.cx, kMainDialogWidth) << control.id;
        EXPECT_LE(control.rect.y + control.rect.cy, kMainDialogHeight) << control.id;
    }
}

TEST(MainDialogTemplate, NoTwoControlsOverlapAtAnyFontSize) {
    // Group boxes frame other controls; everything else must stand apart, also in pixels.
    for (const DialogBaseUnits units :
         {DialogBaseUnits{6, 13}, DialogBaseUnits{7, 15}, DialogBaseUnits{9, 20}}) {
        for (const ControlTemplate& a : kMainDialogControls) {
            for (const ControlTemplate& b : kMainDialogControls) {
                if (&a == &b || a.kind == ControlKind::GroupBox ||
                    b.kind == ControlKind::GroupBox) {
                    continue;
                }
                const PixelRect pa = MapDialogRect(a.rect, units);
                const PixelRect pb = MapDialogRect(b.rect, units);
                const bool apart = pa.x + pa.width <= pb.x || pb.x + pb.width <= pa.x ||
                                   pa.y + pa.height <= pb.y || pb.y + pb.height <= pa.y;
                EXPECT_TRUE(apart)
                    << a.id << " and " << b.id << " at " << units.x << "x" << units.y;
            }
        }
    }
}

TEST(MainDialogTemplate, TheTabOrderStartsWithCloseAndEndsWithTheScopeButtons) {
    std::vector<int> order;
    for (const ControlTemplate& control : kMainDialogControls) {
        if (control.kind != ControlKind::GroupBox) {
            order.push_back(control.id);
        }
    }
    EXPECT_EQ(order, (std::vector<int>{1, 1000, 1001, 1002, 1005, 1008, 1006, 1009, 1011, 1012,
                                       1013, 1010}));
}

}  // namespace
}  // namespace quillon
