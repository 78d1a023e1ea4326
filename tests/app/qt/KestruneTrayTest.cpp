#include "app/TrayLogic.h"
#include "app/qt/KestruneTray.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace kestrune;
using namespace testsupport;

// The offscreen platform has no tray and never opens the menu: the menu's
// items and clicks are the desktop test's (desktop.sh tray-menu).

TEST(TrayGui, WithoutATrayTheIconWaitsAndMinimisingStaysPut) {
    FakeButton recover, scrub;
    KestruneTray tray(TrayLogic(recover, scrub, {}));
    EXPECT_FALSE(KestruneTray::available());
    // Off X11 it is not shown until the system has a tray (X11's waiting
    // shown is desktop.sh late-tray's).
    EXPECT_FALSE(tray.visible());
    EXPECT_FALSE(tray.minimised());
    tray.setLoad(55);
    EXPECT_EQ(tray.logic().toolTip(), "Memory Load: 55%");
    EXPECT_EQ(tray.menu().findChild<QAction*>(QStringLiteral("TrayStartAtLogin")), nullptr);  // no autostart given
    tray.hide();
    EXPECT_FALSE(tray.visible());
}

TEST(TrayGui, StartAtLoginIsReadAfreshAndAFailureIsReported) {
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const platform::Autostart autostart("/usr/bin/kestrune");
    FakeButton recover, scrub;
    KestruneTray tray(TrayLogic(recover, scrub, {}, &autostart));
    ASSERT_NE(tray.menu().findChild<QAction*>(QStringLiteral("TrayStartAtLogin")), nullptr);
    ASSERT_TRUE(autostart.setEnabled(true));  // turned on by another copy, or by hand
    EXPECT_TRUE(tray.logic().startsAtLogin());
    ASSERT_TRUE(autostart.setEnabled(false));

    std::filesystem::remove(dir.file("autostart"));
    writeFile(dir.file("autostart"), "");  // a file where the folder goes
    BoxRecorder boxes;
    tray.logic().setStartAtLogin(true);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].caption, "Kestrune");
    EXPECT_EQ(boxes.calls()[0].kind, platform::BoxKind::Error);
    EXPECT_EQ(
        boxes.calls()[0].text.rfind("Kestrune could not set itself to start at login: cannot create the folder ", 0),
        0u)
        << boxes.calls()[0].text;
    EXPECT_FALSE(tray.logic().startsAtLogin());
    unsetenv("XDG_CONFIG_HOME");
}
