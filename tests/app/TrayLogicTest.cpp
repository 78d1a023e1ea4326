#include "app/TrayLogic.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kestrune;
using testsupport::FakeButton;

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
    EXPECT_FALSE(t.logic.sampled());  // no icon yet: no placeholder figure
    EXPECT_TRUE(t.logic.setLoad(0));  // the first figure is always drawn
    EXPECT_TRUE(t.logic.sampled());
    EXPECT_FALSE(t.logic.setLoad(0));
    EXPECT_TRUE(t.logic.setLoad(42));
    EXPECT_EQ(t.logic.toolTip(), "Memory Load: 42%");
    EXPECT_EQ(t.logic.badge(), "42");
    t.logic.setLoad(100);
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

TEST(Tray, MinimisingGoesToATrayOnlyIfOneIsThereAndItsGoingGivesTheWindowBack) {
    Tray t;
    int asked = 0;
    const std::function<bool()> gone = [&] { return ++asked, false; }, there = [&] { return ++asked, true; };
    EXPECT_FALSE(t.logic.minimised(false));  // no tray: the window stays minimised
    t.logic.trayPresence(gone);
    EXPECT_TRUE(t.ran.empty());
    EXPECT_EQ(asked, 0);  // the display is asked only while the window is in a tray
    EXPECT_TRUE(t.logic.minimised(true));
    t.logic.trayPresence(there);
    EXPECT_TRUE(t.ran.empty());
    t.logic.trayPresence(gone);  // the panel went while the window was in it
    EXPECT_EQ(t.ran, (std::vector<std::string>{"restore"}));
    EXPECT_FALSE(t.logic.inTray());
    t.logic.trayPresence(gone);
    EXPECT_EQ(t.ran.size(), 1u);
}

TEST(Tray, TrimIsOfferedOnlyWhereItWorksAndNotWhileATrimRuns) {
    Tray without;
    EXPECT_FALSE(without.logic.offersTrim());
    EXPECT_FALSE(without.logic.trimEnabled());
    without.logic.trimIdle();
    EXPECT_TRUE(without.ran.empty());

    FakeButton recover, scrub;
    std::vector<std::string> ran;
    bool free = true;
    TrayLogic::Actions actions{[] {}, [] {}, [] {}, [] {}};
    actions.trimIdle = [&] { ran.push_back("trim"); };
    actions.trimFree = [&] { return free; };
    TrayLogic with(recover, scrub, std::move(actions));
    EXPECT_TRUE(with.offersTrim());
    with.trimIdle();
    free = false;  // one is running
    EXPECT_FALSE(with.trimEnabled());
    with.trimIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"trim"});
}