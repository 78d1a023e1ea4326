#include "platform/qt/Controls.h"
#include "platform/qt/Design.h"

#include <QApplication>
#include <QFontInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

using platform::DesignSurface;

namespace {

// The design scale for one test.
struct Scaled {
    explicit Scaled(double ratio) { platform::setDesignScale(platform::DesignScale(ratio)); }
    ~Scaled() { platform::setDesignScale(platform::DesignScale()); }
};

QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

}  // namespace

TEST(DesignSurface, AtTheDesignScaleTheWindowIsTheDesignAndNothingScrolls) {
    QWidget window;
    DesignSurface surface(&window, 300, 200);
    auto* button = new QPushButton("Close", surface.surface());
    platform::place(button, {200, 160, 81, 33});
    window.show();
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_EQ(button->geometry(), QRect(200, 160, 81, 33));
    EXPECT_FALSE(surface.cut());
    EXPECT_FALSE(surface.scrollArea()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(surface.scrollArea()->horizontalScrollBar()->isVisible());
    platform::QtWindow self(&window, &surface);
    EXPECT_EQ(self.clientWidth(), 300);
    EXPECT_EQ(self.clientHeight(), 200);
}

TEST(DesignSurface, ALargerFaceGrowsEveryPlaceAndTheLogicStillSeesDesignPixels) {
    Scaled twice(1.5);
    QWidget window;
    DesignSurface surface(&window, 300, 200);
    auto* button = new QPushButton("Close", surface.surface());
    platform::place(button, {200, 160, 81, 33});
    window.show();
    EXPECT_EQ(window.size(), QSize(450, 300));
    EXPECT_EQ(button->geometry(), QRect(300, 240, 122, 50));
    platform::QtWindow self(&window, &surface);
    EXPECT_EQ(self.clientWidth(), 300);
    self.moveTo(10, 20);
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(15, 30));
    EXPECT_EQ(self.frame().left, 10);
}

TEST(DesignSurface, AWindowTooLargeAtTheFacesScaleShrinksToFitWithItsFaceAndControls) {
    // Twice the Scheduler's design on the test screen (800 × 800).
    Scaled twice(2);
    QWidget window;
    DesignSurface surface(&window, 689, 343);
    auto* close = new QPushButton("Close", surface.surface());
    platform::place(close, {600, 304, 73, 33});
    window.show();
    const QRect area = available();
    ASSERT_LT(area.width(), 1378) << "the test needs a screen narrower than the window";
    EXPECT_FALSE(surface.cut());
    EXPECT_LT(surface.scale().ratio(), 2.0);
    EXPECT_LE(window.frameGeometry().width(), area.width());
    EXPECT_TRUE(window.rect().contains(QRect(close->mapTo(&window, QPoint(0, 0)), close->size())));
    EXPECT_LT(QFontInfo(close->font()).pixelSize(), QFontInfo(QApplication::font()).pixelSize());
    platform::QtWindow self(&window, &surface);
    EXPECT_EQ(self.clientWidth(), 689);  // still design pixels to the logic
    EXPECT_EQ(platform::QtPlacement(close).bounds(), (platform::Rect{600, 304, 73, 33}));
}

TEST(DesignSurface, AWindowTheScreenCannotHoldAsDesignedFitsItsAvailableAreaAndScrollsToEveryControl) {
    QWidget window;
    DesignSurface surface(&window, 1378, 686);
    auto* close = new QPushButton("Close", surface.surface());
    platform::place(close, {1200, 608, 146, 66});
    window.move(1474, 630);
    window.show();
    const QRect area = available();
    ASSERT_LT(area.width(), 1378) << "the test needs a screen narrower than the window";
    EXPECT_TRUE(surface.cut());
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << "window " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
        << window.frameGeometry().width() << "×" << window.frameGeometry().height();
    EXPECT_EQ(surface.surface()->size(), QSize(1378, 686));  // the controls keep their size
    // Every control can be scrolled to.
    surface.scrollArea()->ensureWidgetVisible(close);
    const QRect shown(close->mapTo(&window, QPoint(0, 0)), close->size());
    EXPECT_TRUE(window.rect().contains(shown));
}

TEST(DesignSurface, AFlooredHeightFollowsTheWindowDownToTheDesign) {
    QWidget window;
    DesignSurface surface(&window, 531, 404, DesignSurface::Height::Floored);
    window.show();
    EXPECT_EQ(window.size(), QSize(531, 404));
    window.resize(700, 500);  // wider is refused; taller is the user's
    EXPECT_EQ(window.size(), QSize(531, 500));
    EXPECT_EQ(surface.surface()->height(), 500);
    window.resize(531, 300);
    EXPECT_EQ(window.height(), 404);
    platform::QtWindow self(&window, &surface);
    self.setClientSize(531, 450);
    EXPECT_EQ(window.height(), 450);
    EXPECT_EQ(self.clientHeight(), 450);
}
