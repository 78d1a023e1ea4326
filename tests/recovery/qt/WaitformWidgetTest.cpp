#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "platform/qt/UiDispatcher.h"
#include "recovery/qt/WaitformWidget.h"
#include "support/Fakes.h"
#include "support/IsolatedStore.h"
#include "support/QtPump.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kestrune;
using namespace testsupport;

TEST(ProgressWindowGui, LaidOutOnTopAndTheUserCannotCloseIt) {
    Form2Widget w;
    EXPECT_EQ(w.windowTitle(), "Kestrune");
    EXPECT_EQ(w.size(), QSize(262, 85));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w.findChild<QProgressBar*>("TeProgressBar1")->geometry(), QRect(24, 32, 209, 25));
    EXPECT_EQ(w.findChild<QLabel*>("TeLabel2")->text(), "Step 3 of 3");
    w.show();
    EXPECT_FALSE(w.close());  // Alt+F4 and the window manager's close arrive as this
    EXPECT_TRUE(w.isVisible());
    // While it is up, no click reaches another window.
    QPushButton other("x");
    other.show();
    bool clicked = false;
    QObject::connect(&other, &QPushButton::clicked, [&] { clicked = true; });
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_FALSE(clicked);
    w.hide();
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_TRUE(clicked);
}

TEST(RecoveryGui, RecoverMemoryRunsWithTheFiguresHeldBackThenCatchingUp) {
    IsolatedStore isolated;
    FakeMemory memory;
    memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096, 75));  // seven real blocks
    FakeClock clock;
    platform::QtUiDispatcher ui;
    QtFormFactory forms(memory, clock, ui);
    std::atomic<bool> closing{false};
    KestruneFormWidget w(memory, platform::systemVirtualMemory(), clock, ui, forms, closing);
    forms.setOwner(&w);
    w.show();
    auto* status = w.findChild<QLabel*>("TeStatusBar1Panel1");
    ASSERT_TRUE(qtPumpUntil([&] { return status->text() == "Memory Load: 75%"; }));

    BoxRecorder boxes;
    bool progressHidden = false;
    QString statusDuringRun;
    boxes.whileShown([&](const platform::BoxCall&) {
        auto* progress = dynamic_cast<QWidget*>(w.form().Form2.get());
        progressHidden = progress != nullptr && !progress->isVisible();
        statusDuringRun = status->text();
    });
    clock.onSleep([&](unsigned ms) {
        if (ms == 100) memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096, 40));
    });
    QTest::mouseClick(w.findChild<QPushButton*>("TeButton1"), Qt::LeftButton);
    clock.onSleep({});

    const auto calls = boxes.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].caption, "Complete");
    EXPECT_EQ(calls[0].owner, &w);
    EXPECT_TRUE(progressHidden);
    EXPECT_EQ(statusDuringRun, "Memory Load: 75%");  // the monitor's update waited
    EXPECT_TRUE(w.findChild<QPushButton*>("TeButton1")->isEnabled());
    EXPECT_TRUE(qtPumpUntil([&] { return status->text() == "Memory Load: 40%"; }, 5000));  // then caught up
    w.close();
}
