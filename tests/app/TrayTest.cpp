#include "app/Tray.h"
#include "app/TrayWidget.h"
#include "support/Fakes.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

struct Tray {
    FakeButton recover, scrub;
    std::vector<std::string> ran;
    TrayLogic logic{recover, scrub,
                    TrayLogic::Actions{[this] { ran.push_back("restore"); }, [this] { ran.push_back("recover"); },
                                       [this] { ran.push_back("scrub"); }, [this] { ran.push_back("exit"); }}};
};

}  // namespace

TEST(Tray, ShowsTheLoadAndRedrawsOnlyWhenItChanges) {
    Tray t;
    EXPECT_TRUE(t.logic.setLoad(0));  // the first figure is always drawn
    EXPECT_FALSE(t.logic.setLoad(0));
    EXPECT_TRUE(t.logic.setLoad(42));
    EXPECT_EQ(t.logic.toolTip(), "Memory Load: 42%");
    EXPECT_EQ(t.logic.badge(), "42");
    t.logic.setLoad(100);
    EXPECT_EQ(t.logic.toolTip(), "Memory Load: 100%");
    EXPECT_EQ(t.logic.badge(), "99");
}

TEST(Tray, ActionsRunTheWindowsHandlersOnlyWhileTheirButtonsAreEnabled) {
    Tray t;
    t.logic.recoverMemory();
    t.logic.scrubMemory();
    t.recover.setEnabled(false);
    t.scrub.setEnabled(false);  // an operation in progress
    t.logic.recoverMemory();
    t.logic.scrubMemory();
    EXPECT_FALSE(t.logic.recoverEnabled());
    t.logic.activated();
    t.logic.exit();
    EXPECT_EQ(t.ran, (std::vector<std::string>{"recover", "scrub", "restore", "exit"}));
}

TEST(TrayGui, WithoutATrayNothingShowsButTheMenuStillFollowsTheButtons) {
    Tray t;
    KestruneTray tray(std::move(t.logic));
    EXPECT_FALSE(KestruneTray::available());  // the offscreen platform has none
    EXPECT_FALSE(tray.visible());
    tray.setLoad(55);
    EXPECT_EQ(tray.logic().toolTip(), "Memory Load: 55%");
}
