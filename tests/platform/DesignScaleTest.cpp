#include "platform/DesignScale.h"

#include <gtest/gtest.h>

using platform::DesignScale;
using platform::Fit;
using platform::Rect;

TEST(DesignScale, TheUsersFaceGrowsTheDesignByItsRatioToTheDefaultNeverShrinksIt) {
    EXPECT_EQ(DesignScale::forFace(9).ratio(), 1.0);  // the default face: as laid out
    EXPECT_EQ(DesignScale::forFace(7).ratio(), 1.0);
    EXPECT_EQ(DesignScale::forFace(-1).ratio(), 1.0);  // no size known
    EXPECT_DOUBLE_EQ(DesignScale::forFace(18).ratio(), 2.0);
    EXPECT_DOUBLE_EQ(DesignScale::forFace(90).ratio(), platform::kLargestScale);

    const DesignScale twenty = DesignScale::forFace(20);  // 2.22…
    EXPECT_EQ(twenty.toDevice(11), 24);                   // the face itself
    // Edges are scaled, so controls that touch in the design still touch.
    const Rect a = twenty.toDevice(Rect{8, 32, 513, 121});
    const Rect b = twenty.toDevice(Rect{8, 153, 513, 10});
    EXPECT_EQ(a.top + a.height, b.top);
    // Back to design pixels, a scaled size is the design's again.
    for (int v : {0, 1, 13, 404, 531, 1024}) EXPECT_EQ(twenty.toDesign(twenty.toDevice(v)), v) << v;
    EXPECT_EQ(DesignScale().toDevice(Rect{1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
}

TEST(DesignScale, AWindowLargerThanTheAreaIsCutToItAndGivenRoomForItsScrollBar) {
    const Rect area{0, 24, 1280, 1000};
    // Fits: untouched, wherever it is put.
    const Fit fits = platform::fitWithin(689, 343, area, 15);
    EXPECT_EQ(fits.width, 689);
    EXPECT_EQ(fits.height, 343);
    EXPECT_FALSE(fits.scrollsAcross || fits.scrollsDown);
    EXPECT_EQ(platform::placeWithin({-50, 900, 689, 343}, area, fits), (Rect{-50, 900, 689, 343}));

    // Too wide (the Scheduler at twice the design on a 1280-wide screen):
    // the width is cut, the height takes the horizontal scroll bar.
    const Fit wide = platform::fitWithin(1378, 686, area, 15);
    EXPECT_EQ(wide.width, 1280);
    EXPECT_EQ(wide.height, 701);
    EXPECT_TRUE(wide.scrollsAcross);
    EXPECT_FALSE(wide.scrollsDown);
    // Cut, it is placed wholly within the area.
    EXPECT_EQ(platform::placeWithin({1474, 630, 1280, 701}, area, wide), (Rect{0, 323, 1280, 701}));

    // Too tall: the height is cut, the width takes the vertical bar where
    // there is room, and is cut as well where there is not.
    const Fit tall = platform::fitWithin(600, 1200, area, 15);
    EXPECT_EQ(tall.width, 615);
    EXPECT_EQ(tall.height, 1000);
    EXPECT_TRUE(tall.scrollsDown);
    EXPECT_FALSE(tall.scrollsAcross);
    EXPECT_EQ(platform::placeWithin({100, 0, 615, 1000}, area, tall), (Rect{100, 24, 615, 1000}));
    const Fit both = platform::fitWithin(1270, 1200, area, 15);
    EXPECT_EQ(both.width, 1280);
    EXPECT_TRUE(both.scrollsDown && both.scrollsAcross);
    // A horizontal bar that pushes a fitting height over the area cuts it too.
    const Fit tight = platform::fitWithin(1300, 990, area, 15);
    EXPECT_EQ(tight.height, 1000);
    EXPECT_TRUE(tight.scrollsDown && tight.scrollsAcross);
}

TEST(DesignScale, AWindowTooLargeForTheAreaAtTheFacesScaleIsScaledDownToFitNeverBelowTheDesign) {
    const Rect area{0, 24, 1280, 1000};
    const DesignScale twenty = DesignScale::forFace(20);
    // The main window fits at the face's scale: it keeps it.
    EXPECT_EQ(platform::fittingScale(twenty, 531, 404, 2, 24, area).ratio(), twenty.ratio());
    // The Scheduler is 1,278 wide at 20 points, 1,280 with its frame and more
    // with a border: narrowed until frame and all fit.
    const DesignScale scheduler = platform::fittingScale(twenty, 575, 330, 10, 24, area);
    EXPECT_LT(scheduler.ratio(), twenty.ratio());
    EXPECT_EQ(scheduler.toDevice(575) + 10, 1280);
    // The scrub window, too tall: as high as the area less its title bar.
    const DesignScale scrub = platform::fittingScale(twenty, 400, 450, 2, 24, area);
    EXPECT_LE(scrub.toDevice(450) + 24, 1000);
    EXPECT_GE(scrub.toDevice(450) + 24, 999);
    // A window that does not fit even as designed keeps the design, and scrolls.
    EXPECT_EQ(platform::fittingScale(twenty, 1400, 300, 2, 24, area).ratio(), 1.0);
    // At a toolkit's scale of 2, a design pixel is two of the screen's: the
    // window may shrink to half, its design size on the screen.
    const DesignScale half = platform::fittingScale(DesignScale(), 689, 330, 5, 12, {0, 12, 640, 500}, 0.5);
    EXPECT_EQ(half.toDevice(689) + 5, 640);
    EXPECT_EQ(platform::fittingScale(DesignScale(), 2000, 330, 5, 12, {0, 12, 640, 500}, 0.5).ratio(), 0.5);
    // The default face is never grown to fill the room.
    EXPECT_EQ(platform::fittingScale(DesignScale(), 100, 100, 2, 24, area).ratio(), 1.0);
}
