#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "app/qt/WizardformWidget.h"
#include "platform/qt/UiDispatcher.h"
#include "support/Fakes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

// The real main window on the offscreen platform, fed a fixed sample.
struct MainWindow {
    FakeMemory memory;
    FakeClock clock;
    platform::QtUiDispatcher ui;
    QtFormFactory forms{memory, clock, ui};
    std::atomic<bool> appClosing{false};
    std::unique_ptr<KestruneFormWidget> w;

    MainWindow() {
        memory.set(statusMB(512, 128, 1200, 900, 2047.875, 2000, 75));
        w = std::make_unique<KestruneFormWidget>(memory, platform::systemVirtualMemory(), clock, ui, forms, appClosing);
        forms.setOwner(w.get());
    }
    ~MainWindow() {
        if (w) w->close();
    }
    template <typename T>
    T* find(const char* name) const {
        return w->findChild<T*>(QString::fromUtf8(name));
    }
    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    void waitForFigures() {
        QTRY_COMPARE_WITH_TIMEOUT(find<QLabel>("TeLabel1")->text(), QStringLiteral("384 MB / 512 MB"), 5000);
    }
    WizardFormWidget* tutorial() { return dynamic_cast<WizardFormWidget*>(w->form().WizardForm.get()); }
};

}  // namespace

TEST(MainWindowGui, EachControlTakesItsPlaceCaptionAndFigure) {
    MainWindow m;
    m.w->show();
    m.waitForFigures();
    const struct {
        const char* name;
        platform::Rect at;
    } places[] = {{"TeGroupBox5", mainform::kGroupBox5},   {"TeGroupBox2", mainform::kGroupBox2},
                  {"TeGroupBox3", mainform::kGroupBox3},   {"TeGroupBox1", mainform::kGroupBox1},
                  {"TeGroupBox4", mainform::kGroupBox4},   {"TeGroupBox6", mainform::kGroupBox6},
                  {"PerformanceGraph1", mainform::kGraph}, {"TeButton1", mainform::kButton1},
                  {"TeButton2", mainform::kButton2},       {"TeProgressBar2", mainform::kKindBar}};
    for (const auto& p : places) {
        ASSERT_NE(m.find<QWidget>(p.name), nullptr) << p.name;
        EXPECT_EQ(m.find<QWidget>(p.name)->geometry(), QRect(p.at.left, p.at.top, p.at.width, p.at.height)) << p.name;
    }
    // Captions, menus and their keys are read out of the real program by the
    // accessibility test (desktop/a11y_tree.py).
    EXPECT_EQ(m.w->windowTitle(), "Kestrune");
    for (const auto& [name, title] :
         {std::pair{"TeGroupBox5", "Memory History"}, std::pair{"TeGroupBox6", "Information"}})
        EXPECT_EQ(m.find<QGroupBox>(name)->title(), title) << name;
    EXPECT_TRUE(m.text("Label1").startsWith("To the left, you see progress bars"));

    // Each figure control shows the figure the logic wrote to it.
    const struct {
        const char* name;
        const char* text;
    } labels[] = {{"TeLabel2", "47 MB / 2047 MB"},  {"TeLabel3", "300 MB / 1200 MB"},
                  {"TeLabel4", "731 MB / 3759 MB"}, {"TeLabel5", "512 MB"},
                  {"TeLabel6", "256 MB"},           {"TeStatusBar1Panel1", "Memory Load: 75%"}};
    for (const auto& l : labels) EXPECT_EQ(m.text(l.name), l.text) << l.name;
    const struct {
        const char* name;
        int value;
    } bars[] = {{"TeProgressBar1", 19}, {"TeProgressBar2", 75}, {"TeProgressBar3", 2}, {"TeProgressBar4", 25}};
    for (const auto& b : bars) EXPECT_EQ(m.find<QProgressBar>(b.name)->value(), b.value) << b.name;
    EXPECT_FALSE(static_cast<PerformanceGraph*>(m.find<QWidget>("PerformanceGraph1"))->points().empty());

    // A resize reaches the size rules.
    m.w->resize(700, 300);
    EXPECT_EQ(m.w->size(), QSize(531, 404));
}

TEST(MainWindowGui, TheTutorialOpensDockedAndItsButtonEscapeAndTheMainCloseReachItsHandlers) {
    MainWindow m;
    m.w->show();
    TKestruneForm& form = m.w->form();
    m.find<QAction>("CustomItem2")->trigger();
    ASSERT_NE(m.tutorial(), nullptr);
    EXPECT_TRUE(m.tutorial()->isVisible());
    // Docked by the real frames, which the offscreen platform decorates:
    // beside the main window where the screen has room, else at its far edge.
    const QRect area = m.w->screen()->availableGeometry();
    const QRect main = m.w->frameGeometry(), docked = m.tutorial()->frameGeometry();
    if (main.width() + 8 + docked.width() <= area.width()) {
        EXPECT_EQ(docked.left(), main.right() + 1 + 8);
    } else {
        EXPECT_EQ(main.left(), area.left());
        EXPECT_EQ(docked.right(), area.right());
    }
    EXPECT_EQ(docked.height(), main.height());
    EXPECT_EQ(m.tutorial()->findChild<QWidget*>("TePanel2")->height(), m.tutorial()->height() - 105);

    m.tutorial()->findChild<QCheckBox*>("TeCheckBox1")->setChecked(true);
    QTest::mouseClick(m.tutorial()->findChild<QPushButton*>("TeButton2"), Qt::LeftButton);
    EXPECT_FALSE(m.tutorial()->isVisible());
    EXPECT_TRUE(form.showTutorial);

    m.find<QAction>("CustomItem2")->trigger();
    m.tutorial()->findChild<QCheckBox*>("TeCheckBox1")->setChecked(false);
    QTest::keyClick(m.tutorial(), Qt::Key_Escape);
    EXPECT_FALSE(m.tutorial()->isVisible());
    EXPECT_FALSE(form.showTutorial);

    m.find<QAction>("CustomItem2")->trigger();
    m.w->close();
    EXPECT_FALSE(form.WizardForm);
    EXPECT_TRUE(m.appClosing);
}

TEST(MainWindowGui, ClosingWhileTheMonitorWaitsToHandOverReturnsPromptly) {
    // The real clock: the monitor sleeps its second in short steps, so a stop
    // is seen at once, and an update it has posted and waits on is dropped.
    FakeMemory memory;
    memory.set(statusMB(512, 128, 1200, 900, 2047.875, 2000, 75));
    platform::QtUiDispatcher ui;
    QtFormFactory forms{memory, platform::systemClock(), ui};
    std::atomic<bool> closing{false};
    KestruneFormWidget w(memory, platform::systemVirtualMemory(), platform::systemClock(), ui, forms, closing);
    bool closedSignal = false;
    w.onClosed = [&] { closedSignal = true; };
    w.show();
    auto* status = w.findChild<QLabel*>("TeStatusBar1Panel1");
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Memory Load: 75%"), 5000);
    memory.set(statusMB(512, 128, 1200, 900, 2047.875, 2000, 40));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the next update waits, unserved
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(w.close());
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_TRUE(closedSignal);
    EXPECT_FALSE(w.form().MemoryThread);
    QCoreApplication::processEvents();
    EXPECT_EQ(status->text(), "Memory Load: 75%");
}

TEST(MainWindowGui, ScrubMemoryRunsAFreshModalWindowAndACloseMeanwhileHappensWhenItEnds) {
    MainWindow m;
    m.memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));  // an 8 MB scrub
    bool closed = false;
    m.w->onClosed = [&] { closed = true; };
    m.w->show();
    // Blocked by a modal window outside an operation: nothing happens.
    EXPECT_FALSE(m.w->form().BlockedCloseQuery());
    auto* recover = m.find<QPushButton>("TeButton1");
    auto* scrub = m.find<QPushButton>("TeButton2");
    TScrubForm* hidden = ScrubForm;
    bool sawDisabled = false, sawFresh = false, sawModal = false, taken = false, stillOpen = false;
    QTimer::singleShot(0, [&] {
        sawDisabled = !recover->isEnabled() && !scrub->isEnabled();
        sawFresh = ScrubForm != nullptr && ScrubForm != hidden;
        QWidget* modal = QApplication::activeModalWidget();
        sawModal = modal != nullptr && modal->windowTitle() == "Memory Defragmenter";
        m.w->close();                             // the window manager's close while the scrub window is up
        taken = m.w->form().BlockedCloseQuery();  // as X11 has it: the scrub window blocks this one
        stillOpen = m.w->isVisible() && !m.appClosing;
        // Closing while it scrubs: the window goes, its memory comes back.
        if (modal != nullptr) modal->close();
    });
    QTest::mouseClick(scrub, Qt::LeftButton);
    EXPECT_TRUE(sawDisabled);
    EXPECT_TRUE(sawFresh);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(ScrubForm, nullptr);
    EXPECT_TRUE(taken);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(m.appClosing);
    EXPECT_FALSE(m.w->isVisible());
}
