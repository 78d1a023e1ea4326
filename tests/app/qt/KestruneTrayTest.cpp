#include "app/TrayLogic.h"
#include "app/qt/KestruneTray.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

TEST(Tray, MinimisingGoesToATrayOnlyIfOneIsThereAndItsGoingGivesTheWindowBack) {
    Tray t;
    EXPECT_FALSE(t.logic.minimised(false));  // no tray: the window stays minimised
    t.logic.trayPresence(false);
    EXPECT_TRUE(t.ran.empty());
    EXPECT_TRUE(t.logic.minimised(true));
    t.logic.trayPresence(true);
    EXPECT_TRUE(t.ran.empty());
    t.logic.trayPresence(false);  // the panel went while the window was in it
    EXPECT_EQ(t.ran, (std::vector<std::string>{"restore"}));
    EXPECT_FALSE(t.logic.inTray());
    t.logic.trayPresence(false);
    EXPECT_EQ(t.ran.size(), 1u);
}

TEST(TrayGui, WithoutATrayTheIconWaitsShownAndMinimisingStaysPut) {
    Tray t;
    KestruneTray tray(std::move(t.logic));
    EXPECT_FALSE(KestruneTray::available());  // the offscreen platform has none
    EXPECT_TRUE(tray.visible());  // docked by Qt once a tray appears
    EXPECT_FALSE(tray.minimised());
    tray.setLoad(55);
    EXPECT_EQ(tray.logic().toolTip(), "Memory Load: 55%");
    tray.hide();
    EXPECT_FALSE(tray.visible());
}

TEST(TrayGui, StartAtLoginIsACheckItemThatFollowsTheEntryAndReportsAFailure) {
    testsupport::TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const platform::Autostart autostart("/usr/bin/kestrune");
    Tray t;
    KestruneTray tray(TrayLogic(t.recover, t.scrub, {}, &autostart));
    QMenu* menu = &tray.menu();
    auto* item = menu->findChild<QAction*>(QStringLiteral("TrayStartAtLogin"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    QStringList texts;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"&Kestrune", "&Recover Memory", "&Scrub Memory", "Start Kestrune at &login",
                                  "E&xit"}));
    autostart.setEnabled(true);  // turned on by another copy, or by hand
    emit menu->aboutToShow();
    EXPECT_TRUE(item->isChecked());
    item->trigger();  // unchecks it: carried out once the menu is done
    QCoreApplication::processEvents();
    EXPECT_FALSE(autostart.enabled());

    std::filesystem::remove(dir.file("autostart"));
    testsupport::writeFile(dir.file("autostart"), "");  // a file where the folder goes
    BoxRecorder boxes;
    tray.logic().setStartAtLogin(true);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].caption, "Kestrune");
    EXPECT_EQ(boxes.calls()[0].kind, platform::BoxKind::Error);
    EXPECT_EQ(boxes.calls()[0].text.rfind("Kestrune could not set itself to start at login: cannot create the folder ", 0),
              0u)
        << boxes.calls()[0].text;
    emit menu->aboutToShow();
    EXPECT_FALSE(item->isChecked());
    unsetenv("XDG_CONFIG_HOME");
}
