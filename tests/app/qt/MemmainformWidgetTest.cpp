#include "app/qt/QtFormFactory.h"
#include "app/qt/MemmainformWidget.h"
#include "app/qt/WizardformWidget.h"
#include "platform/qt/UiDispatcher.h"
#include "support/Fakes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
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
    QAction* action(const char* name) const { return w->findChild<QAction*>(QString::fromUtf8(name)); }
};

void expectGeometry(QWidget* widget, const platform::Rect& r) {
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), QRect(r.left, r.top, r.width, r.height)) << widget->objectName().toStdString();
}

}  // namespace

TEST(MainWindowGui, LayoutCaptionsAndMenusAsDesigned) {
    MainWindow m;
    m.w->show();
    EXPECT_EQ(m.w->windowTitle(), "Kestrune");
    expectGeometry(m.find<QGroupBox>("TeGroupBox5"), mainform::kGroupBox5);
    expectGeometry(m.find<QGroupBox>("TeGroupBox2"), mainform::kGroupBox2);
    expectGeometry(m.find<QGroupBox>("TeGroupBox3"), mainform::kGroupBox3);
    expectGeometry(m.find<QGroupBox>("TeGroupBox1"), mainform::kGroupBox1);
    expectGeometry(m.find<QGroupBox>("TeGroupBox4"), mainform::kGroupBox4);
    expectGeometry(m.find<QGroupBox>("TeGroupBox6"), mainform::kGroupBox6);
    expectGeometry(m.find<QWidget>("PerformanceGraph1"), mainform::kGraph);
    expectGeometry(m.find<QPushButton>("TeButton1"), mainform::kButton1);
    expectGeometry(m.find<QPushButton>("TeButton2"), mainform::kButton2);
    expectGeometry(m.find<QProgressBar>("TeProgressBar2"), mainform::kKindBar);

    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox5")->title(), "Memory History");
    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox2")->title(), "Virtual Memory");
    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox3")->title(), "PageFile");
    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox1")->title(), "Physical Memory");
    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox4")->title(), "Total Memory");
    EXPECT_EQ(m.find<QGroupBox>("TeGroupBox6")->title(), "Information");
    EXPECT_EQ(m.find<QPushButton>("TeButton1")->text(), "&Recover Memory");
    EXPECT_EQ(m.find<QPushButton>("TeButton2")->text(), "&Scrub Memory");
    EXPECT_EQ(m.text("TeLabel7"), "0 MB");
    EXPECT_TRUE(m.text("Label1").startsWith("To the left, you see progress bars"));
    EXPECT_TRUE(m.text("Label1").contains("\"Free Memory\""));

    // Captions as designed, each with its keyboard letter marked.
    EXPECT_EQ(m.find<QMenu>("CustomItem3")->title(), "&File");
    EXPECT_EQ(m.find<QMenu>("CustomItem6")->title(), "&Edit");
    EXPECT_EQ(m.find<QMenu>("CustomItem4")->title(), "&Help");
    EXPECT_EQ(m.action("CustomItem1")->text(), "E&xit");
    EXPECT_EQ(m.action("CustomItem7")->text(), "&Scheduler");
    EXPECT_EQ(m.action("CustomItem2")->text(), "&Tutorial");
    EXPECT_EQ(m.action("CustomItem5")->text(), "&Visit Support");
    // The menu bar runs across the top, the status bar along the bottom.
    EXPECT_EQ(m.find<QMenuBar>("TeMenuBar1")->geometry().top(), 0);
    EXPECT_EQ(m.find<QWidget>("TeStatusBar1")->geometry().bottom(), m.w->height() - 1);
}

TEST(MainWindowGui, FiguresFollowTheSampleAndTheSizeRulesHold) {
    MainWindow m;
    m.w->show();
    m.waitForFigures();
    EXPECT_EQ(m.text("TeLabel2"), "47 MB / 2047 MB");
    EXPECT_EQ(m.text("TeLabel3"), "300 MB / 1200 MB");
    EXPECT_EQ(m.text("TeLabel4"), "731 MB / 3759 MB");
    EXPECT_EQ(m.text("TeLabel5"), "512 MB");
    EXPECT_EQ(m.text("TeLabel6"), "256 MB");
    EXPECT_EQ(m.find<QProgressBar>("TeProgressBar1")->value(), 19);
    EXPECT_EQ(m.find<QProgressBar>("TeProgressBar2")->value(), 75);
    EXPECT_EQ(m.find<QProgressBar>("TeProgressBar3")->value(), 2);
    EXPECT_EQ(m.find<QProgressBar>("TeProgressBar4")->value(), 25);
    EXPECT_EQ(m.text("TeStatusBar1Panel1"), "Memory Load: 75%");
    EXPECT_FALSE(static_cast<PerformanceGraph*>(m.find<QWidget>("PerformanceGraph1"))->points().empty());

    EXPECT_EQ(m.w->size(), QSize(531, 404));
    m.w->resize(700, 300);
    EXPECT_EQ(m.w->size(), QSize(531, 404));
    m.w->resize(500, 600);
    EXPECT_EQ(m.w->size(), QSize(531, 600));
}

TEST(MainWindowGui, TutorialOpensDockedClosesByButtonOrEscapeAndReopens) {
    MainWindow m;
    m.w->show();
    m.action("CustomItem2")->trigger();
    TKestruneForm& form = m.w->form();
    ASSERT_TRUE(form.WizardForm);
    auto* tutorial = dynamic_cast<WizardFormWidget*>(form.WizardForm.get());
    ASSERT_NE(tutorial, nullptr);
    EXPECT_TRUE(tutorial->isVisible());
    EXPECT_EQ(tutorial->windowTitle(), "Memory Tutorial");
    EXPECT_EQ(tutorial->frameGeometry().left(), m.w->frameGeometry().right() + 1 + 8);
    EXPECT_EQ(tutorial->frameGeometry().top(), m.w->frameGeometry().top());
    EXPECT_EQ(tutorial->frameGeometry().height(), m.w->frameGeometry().height());
    // Stretched to the main window's height, the body follows the resize rule.
    EXPECT_EQ(tutorial->findChild<QWidget*>("TePanel2")->height(), tutorial->height() - 105);

    auto* box = tutorial->findChild<QCheckBox*>("TeCheckBox1");
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    QTest::mouseClick(tutorial->findChild<QPushButton*>("TeButton2"), Qt::LeftButton);
    EXPECT_FALSE(tutorial->isVisible());
    EXPECT_TRUE(form.showTutorial);

    m.action("CustomItem2")->trigger();
    auto* again = dynamic_cast<WizardFormWidget*>(form.WizardForm.get());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_TRUE(again->findChild<QCheckBox*>("TeCheckBox1")->isChecked());
    // Escape closes it as its title bar's close does: the box is copied back.
    again->findChild<QCheckBox*>("TeCheckBox1")->setChecked(false);
    QTest::keyClick(again, Qt::Key_Escape);
    EXPECT_FALSE(again->isVisible());
    EXPECT_FALSE(form.showTutorial);
    m.action("CustomItem2")->trigger();
    again = dynamic_cast<WizardFormWidget*>(form.WizardForm.get());
    ASSERT_NE(again, nullptr);
    again->findChild<QCheckBox*>("TeCheckBox1")->setChecked(true);
    QTest::mouseClick(again->findChild<QPushButton*>("TeButton2"), Qt::LeftButton);
    m.action("CustomItem2")->trigger();
    again = dynamic_cast<WizardFormWidget*>(form.WizardForm.get());
    ASSERT_NE(again, nullptr);

    // Closing the main window destroys it without copying its box back.
    again->findChild<QCheckBox*>("TeCheckBox1")->setChecked(false);
    m.w->close();
    EXPECT_TRUE(form.showTutorial);
    EXPECT_FALSE(form.WizardForm);
    EXPECT_TRUE(m.appClosing);
}

TEST(MainWindowGui, ShowingAgainStartsNoSecondMonitor) {
    MainWindow m;
    m.w->show();
    TMemoryThread* monitor = m.w->form().MemoryThread.get();
    ASSERT_NE(monitor, nullptr);
    m.w->hide();
    m.w->show();
    EXPECT_EQ(m.w->form().MemoryThread.get(), monitor);
}

TEST(MainWindowGui, ClosingWhileTheMonitorWaitsToHandOverReturnsPromptly) {
    MainWindow m;
    bool closedSignal = false;
    m.w->onClosed = [&] { closedSignal = true; };
    m.w->show();
    m.waitForFigures();
    // Let the monitor post its next update and block on it, unserved.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(m.w->close());
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_TRUE(closedSignal);
    EXPECT_FALSE(m.w->form().MemoryThread);
    const QString before = m.text("TeStatusBar1Panel1");
    QCoreApplication::processEvents();
    EXPECT_EQ(m.text("TeStatusBar1Panel1"), before);
}

TEST(MainWindowGui, ClosingWithTheRealClockTakesNoWholeSecond) {
    // The monitor sleeps its second in short steps, so a stop is seen at once.
    FakeMemory memory;
    platform::QtUiDispatcher ui;
    QtFormFactory forms{memory, platform::systemClock(), ui};
    std::atomic<bool> closing{false};
    KestruneFormWidget w(memory, platform::systemVirtualMemory(), platform::systemClock(), ui, forms, closing);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<QLabel*>("TeLabel1")->text().startsWith("1024"), 5000);
    QElapsedTimer timer;
    timer.start();
    w.close();
    EXPECT_LT(timer.elapsed(), 200);
}

TEST(MainWindowGui, ScrubMemoryRunsAFreshModalWindowWithTheButtonsDisabled) {
    MainWindow m;
    m.memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));  // an 8 MB scrub
    m.w->show();
    auto* recover = m.find<QPushButton>("TeButton1");
    auto* scrub = m.find<QPushButton>("TeButton2");
    TScrubForm* hidden = ScrubForm;
    bool sawDisabled = false, sawFresh = false, sawModal = false;
    QTimer::singleShot(0, [&] {
        sawDisabled = !recover->isEnabled() && !scrub->isEnabled();
        sawFresh = ScrubForm != nullptr && ScrubForm != hidden;
        QWidget* modal = QApplication::activeModalWidget();
        sawModal = modal != nullptr && modal->windowTitle() == "Memory Defragmenter";
        // Closing while it scrubs: the window goes, its memory comes back.
        if (modal != nullptr) modal->close();
    });
    QTest::mouseClick(scrub, Qt::LeftButton);
    EXPECT_TRUE(sawDisabled);
    EXPECT_TRUE(sawFresh);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(ScrubForm, nullptr);
    EXPECT_TRUE(recover->isEnabled());
    EXPECT_TRUE(scrub->isEnabled());
}

TEST(MainWindowGui, AClosePutOffDuringAnOperationHappensWhenItEnds) {
    MainWindow m;
    m.memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));
    bool closed = false;
    m.w->onClosed = [&] { closed = true; };
    m.w->show();
    // Blocked by a modal window outside an operation: nothing happens.
    EXPECT_FALSE(m.w->form().BlockedCloseQuery());
    bool stillOpen = false, taken = false;
    QTimer::singleShot(0, [&] {
        m.w->close();  // the window manager's close while the scrub window is up
        taken = m.w->form().BlockedCloseQuery();  // as X11 has it: the scrub window blocks this one
        stillOpen = m.w->isVisible() && !m.appClosing;
        QApplication::activeModalWidget()->close();
    });
    QTest::mouseClick(m.find<QPushButton>("TeButton2"), Qt::LeftButton);
    EXPECT_TRUE(taken);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(m.appClosing);
    EXPECT_FALSE(m.w->isVisible());
}
