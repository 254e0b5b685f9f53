#include "dialog/portable/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel2 {
namespace {

TEST(CentredOrigin, HalvesTheDifferenceTruncatingTowardZero) {
    EXPECT_EQ(CentredOrigin(19200, 8385), 5407);  // 10815 / 2
    EXPECT_EQ(CentredOrigin(8386, 8385), 0);      // a difference of 1
    EXPECT_EQ(CentredOrigin(8385, 8400), -7);     // -15 gives -7, not -8
    EXPECT_EQ(CentredOrigin(8385, 8401), -8);
    EXPECT_EQ(CentredOrigin(100, 100), 0);
}

TEST(CentredOrigin, RoundsAFractionalDifferenceHalfToEvenFirst) {
    EXPECT_EQ(CentredOrigin(2.5, 0), 1);   // 2.5 -> 2 -> 1
    EXPECT_EQ(CentredOrigin(3.5, 0), 2);   // 3.5 -> 4 -> 2
    EXPECT_EQ(CentredOrigin(0, 0.5), 0);   // -0.5 -> 0
    EXPECT_EQ(CentredOrigin(0, 1.5), -1);  // -1.5 -> -2 -> -1
    EXPECT_EQ(CentredOrigin(0, 2.5), -1);  // -2.5 -> -2 -> -1
    EXPECT_EQ(CentredOrigin(6.4, 0), 3);
    EXPECT_EQ(CentredOrigin(6.6, 0), 3);  // 7 -> 3
}

TEST(CentredOrigin, NonsenseInputStaysDefined) {
    EXPECT_EQ(CentredOrigin(std::numeric_limits<double>::quiet_NaN(), 0), 0);
    EXPECT_EQ(CentredOrigin(std::numeric_limits<double>::infinity(), 0), 1000000000);
    EXPECT_EQ(CentredOrigin(-1e300, 0), -1000000000);
}

TEST(TwipArithmetic, TwipsPerPixelIsTheTruncatedQuotient) {
    EXPECT_EQ(TwipsPerPixel(96), 15);
    EXPECT_EQ(TwipsPerPixel(120), 12);
    EXPECT_EQ(TwipsPerPixel(144), 10);
    EXPECT_EQ(TwipsPerPixel(192), 7);  // 7.5 truncated
    EXPECT_EQ(TwipsPerPixel(0), 15);
    EXPECT_EQ(TwipsPerPixel(-96), 15);
    EXPECT_EQ(TwipsPerPixel(2000), 15);
}

TEST(TwipArithmetic, PixelsAreTheNearestWithTiesToEven) {
    EXPECT_EQ(TwipsToPixels(8295, 12), 691);  // 691.25
    EXPECT_EQ(TwipsToPixels(8295, 10), 830);  // 829.5 -> even
    EXPECT_EQ(TwipsToPixels(8285, 10), 828);  // 828.5 -> even
    EXPECT_EQ(TwipsToPixels(-75, 10), -8);    // -7.5 -> even
    EXPECT_EQ(TwipsToPixels(-45, 10), -4);    // -4.5 -> even
    EXPECT_EQ(TwipsToPixels(7, 15), 0);
    EXPECT_EQ(TwipsToPixels(8, 15), 1);
    EXPECT_EQ(TwipsToPixels(15, 0), 1);  // a broken scale falls back to 15
}

PixelRect At96(int id) {
    const auto* design = std::find_if(kControlDesigns.begin(), kControlDesigns.end(),
                                      [id](const ControlDesign& d) { return d.id == id; });
    EXPECT_NE(design, kControlDesigns.end());
    return ToPixels(design->twips, 15, 15);
}

TEST(FormDesign, ConvertsToTheDesignersPixelsAt96Dpi) {
    EXPECT_EQ(ToPixels(kClientTwips, 15, 15), (PixelRect{0, 0, 553, 230}));
    const int rowTops[kRowCount] = {8, 72, 136};
    const int rowCheckWidths[kRowCount] = {177, 185, 153};
    for (int row = 0; row < kRowCount; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(At96(kCheck2Id + row), (PixelRect{16, rowTops[row], rowCheckWidths[row], 17}));
        EXPECT_EQ(At96(kText2Id + row), (PixelRect{16, rowTops[row] + 24, 489, 22}));
        EXPECT_EQ(At96(kCommand4Id + row), (PixelRect{512, rowTops[row] + 24, 25, 22}));
    }
    EXPECT_EQ(At96(kCommand1Id), (PixelRect{272, 192, 113, 25}));
    EXPECT_EQ(At96(kCommand2Id), (PixelRect{392, 192, 113, 25}));
    EXPECT_EQ(At96(kCheck1Id), (PixelRect{96, 196, 121, 17}));
}

TEST(FormDesign, NoControlTakesTheDialogManagersOkOrCancelId) {
    for (const ControlDesign& design : kControlDesigns) {
        EXPECT_NE(design.id, 1);
        EXPECT_NE(design.id, 2);
    }
}

}  // namespace
}  // namespace vantrel2
