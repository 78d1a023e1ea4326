#include "platform/qt/UiDispatcher.h"
#include "support/Fakes.h"
#include "support/QtPump.h"
#include "trim/qt/ApplicationsformWidget.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

// The real window over fake applications: which control is wired to which
// rule. The rules are the logic test's.
struct ApplicationsWindowGui {
    FakeApplications apps;
    SharedActivity activity;
    FakeClock clock;
    platform::QtUiDispatcher ui;
    TrimRunner runner{apps, activity, clock, ui};
    std::unique_ptr<ApplicationsFormWidget> w;

    ApplicationsWindowGui() {
        apps.put(appMB("app.slice/app-reader.scope", "reader", 600, 0));
        apps.put(appMB("app.slice/app-editor.scope", "editor", 100, 0));
        w = std::make_unique<ApplicationsFormWidget>(nullptr, runner);
    }
    template <typename T>
    T* find(const char* name) const {
        T* found = w->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QTreeWidget* list() const { return find<QTreeWidget>("AppList"); }
};

}  // namespace

TEST(ApplicationsWindowGui, TheListItsHeaderTheButtonsAndTheTimerReachTheLogic) {
    ApplicationsWindowGui g;
    g.w->showInFront();
    EXPECT_EQ(g.w->windowTitle(), "Applications");
    EXPECT_TRUE(g.find<QTimer>("RefreshTimer")->isActive());
    ASSERT_EQ(g.list()->topLevelItemCount(), 2);
    EXPECT_EQ(g.list()->topLevelItem(0)->text(0), "reader");  // the largest first
    EXPECT_EQ(g.list()->headerItem()->text(4), "Idle for");
    EXPECT_EQ(g.list()->topLevelItem(0)->textAlignment(1) & Qt::AlignRight, Qt::AlignRight);

    g.list()->header()->sectionClicked(0);  // as a click on "Application"
    EXPECT_EQ(g.list()->topLevelItem(0)->text(0), "editor");
    EXPECT_EQ(g.list()->header()->sortIndicatorSection(), 0);

    auto* trimSelected = g.find<QPushButton>("TrimSelectedButton");
    EXPECT_FALSE(trimSelected->isEnabled());
    g.list()->topLevelItem(1)->setSelected(true);  // "reader"
    EXPECT_TRUE(trimSelected->isEnabled());
    QTest::mouseClick(trimSelected, Qt::LeftButton);
    // Disabled while the trim runs, the button hands the keyboard on; enabled
    // again, it takes it back.
    EXPECT_EQ(g.w->focusWidget(), g.find<QPushButton>("CloseButton"));
    auto trimmed = [&] { return g.find<QLabel>("StatusLabel")->text().startsWith("Trimmed"); };
    ASSERT_TRUE(qtPumpUntil(trimmed));
    EXPECT_TRUE(g.find<QLabel>("StatusLabel")->text().startsWith("Trimmed 600 MB: 600 MB of file cache. "));
    EXPECT_TRUE(g.list()->topLevelItem(1)->isSelected());  // still "reader", read again
    EXPECT_EQ(g.w->focusWidget(), trimSelected);
    // Enter on it, where the keyboard stayed, trims again.
    int pressed = 0;
    QObject::connect(trimSelected, &QPushButton::clicked, [&] { ++pressed; });
    QTest::keyClick(trimSelected, Qt::Key_Return);
    EXPECT_EQ(pressed, 1);
    ASSERT_TRUE(qtPumpUntil([&] { return trimSelected->isEnabled() && trimmed(); }));
    // Moved on by the user meanwhile, the keyboard stays where it went.
    QTest::mouseClick(trimSelected, Qt::LeftButton);
    g.list()->setFocus();
    ASSERT_TRUE(qtPumpUntil(trimmed));
    EXPECT_EQ(g.w->focusWidget(), g.list());
    // Enter in the list presses Close, the window's default: it trims nothing.
    pressed = 0;
    QTest::keyClick(g.list(), Qt::Key_Return);
    EXPECT_FALSE(g.w->isVisible());
    EXPECT_EQ(pressed, 0);
    g.w->showInFront();

    QTest::keyClick(g.w.get(), Qt::Key_Escape);
    EXPECT_FALSE(g.w->isVisible());
    EXPECT_FALSE(g.find<QTimer>("RefreshTimer")->isActive());
    g.w->showInFront();
    QTest::mouseClick(g.find<QPushButton>("CloseButton"), Qt::LeftButton);
    EXPECT_FALSE(g.w->isVisible());
}

TEST(ApplicationsWindowGui, WhereTrimmingDoesNotWorkTheSentenceTakesTheListsPlace) {
    ApplicationsWindowGui g;
    g.apps.setUnavailable("Trimming needs cgroup v2.");
    g.w->show();
    EXPECT_TRUE(g.find<QLabel>("NoticeLabel")->isVisible());
    EXPECT_EQ(g.find<QLabel>("NoticeLabel")->text(), "Trimming needs cgroup v2.");
    EXPECT_FALSE(g.list()->isVisible());
    EXPECT_FALSE(g.find<QPushButton>("TrimIdleButton")->isEnabled());
}
