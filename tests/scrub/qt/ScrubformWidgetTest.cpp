#include "platform/qt/UiDispatcher.h"
#include "scrub/qt/ScrubformWidget.h"
#include "support/Fakes.h"
#include "support/QtPump.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

// A real scrub window whose heap budget is 8 MB.
struct ScrubWindowFixture {
    FakeMemory memory;
    platform::QtUiDispatcher ui;
    std::unique_ptr<ScrubFormWidget> w;
    ScrubWindowFixture() {
        memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));
        w = std::make_unique<ScrubFormWidget>(nullptr, memory, platform::systemClock(), ui);
    }
    QPushButton* button() { return w->findChild<QPushButton*>("TeButton1"); }
    QString memo() { return w->findChild<QPlainTextEdit*>("TeMemo1")->toPlainText(); }
};

}  // namespace

TEST(ScrubWindowGui, ARunStoppedWithEscapeEndsInCloseWithItsSummaryAndEnterCloses) {
    ScrubWindowFixture f;
    EXPECT_EQ(f.button()->text(), "Clo&se");  // as designed, before it is shown
    f.w->show();
    EXPECT_EQ(f.w->windowTitle(), "Memory Defragmenter");
    EXPECT_EQ(f.w->size(), QSize(461, 509));
    EXPECT_EQ(f.w->findChild<QLabel*>("Label1")->text(), "Tarnwick Memory Scrubber");
    EXPECT_EQ(f.button()->text(), "&Stop");
    EXPECT_EQ(f.w->focusWidget(), f.button());  // not the read-only list
    EXPECT_TRUE(f.memo().startsWith("Physical Memory Available: 1,048,576 KB\n"));

    QTest::keyClick(f.button(), Qt::Key_Escape);
    EXPECT_FALSE(f.button()->isEnabled());  // Stopping
    EXPECT_EQ(f.button()->text(), "&Stopping");
    QTest::keyClick(f.w.get(), Qt::Key_Escape);  // cannot be pressed now: nothing
    EXPECT_EQ(f.memo().count(QStringLiteral("Stopping scrub")), 1);
    ASSERT_TRUE(qtPumpUntil([&] { return f.button()->text() == "Clo&se"; }));
    EXPECT_TRUE(f.memo().contains("\nMemory Freed: 0 KB Physical Memory\n"));
    EXPECT_EQ(f.w->focusWidget(), f.button());
    QTest::keyClick(f.w->findChild<QPlainTextEdit*>("TeMemo1"), Qt::Key_Return);  // Enter, wherever the keyboard is
    EXPECT_FALSE(f.w->isVisible());
    EXPECT_FALSE(f.w->form().worker);
}

TEST(ScrubWindowGui, ClosingMidScrubStopsAndJoinsEverythingAtOnce) {
    ScrubWindowFixture f;
    f.w->show();
    QTest::qWait(30);
    f.w->close();
    EXPECT_FALSE(f.w->isVisible());
    EXPECT_FALSE(f.w->form().worker);
    EXPECT_FALSE(f.w->form().updateThread);
    EXPECT_FALSE(f.memo().contains("Done Freeing Memory"));
}
