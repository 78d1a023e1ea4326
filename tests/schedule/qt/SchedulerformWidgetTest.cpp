#include "platform/Registry.h"
#include "schedule/qt/SchedulerformWidget.h"
#include "support/CapturedStderr.h"
#include "support/IsolatedStore.h"
#include "support/StoredValues.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

struct SchedulerWindow {
    IsolatedStore isolated;
    CapturedStderr quiet;
    // Where the memory pressure is told, as on Linux; what is offered where
    // it is not is the logic test's.
    std::unique_ptr<SchedulerWidget> w = std::make_unique<SchedulerWidget>(nullptr, SchedulerOffers{.pressure = true});
    template <typename T>
    T* find(const char* name) {
        T* found = w->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char* button) { QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton); }
    static std::string stored(const char* name) { return storedText(platform::kScheduleKey, name); }
    QTreeView* list() { return find<QTreeView>("TeListView1"); }
    QString cell(int row, int column) { return list()->model()->index(row, column).data().toString(); }
};

}  // namespace

// The layout is the code's; these are the texts and choices it is given.
TEST(SchedulerGui, LaidOutWithItsInitialChoices) {
    SchedulerWindow s;
    s.w->show();
    EXPECT_EQ(s.w->windowTitle(), "Scheduler");
    EXPECT_EQ(s.find<QComboBox>("TeComboBox11")->count(), 3);
    EXPECT_EQ(s.find<QComboBox>("TeComboBox9")->count(), 31);
    EXPECT_TRUE(s.find<QRadioButton>("TeRadioButton1")->isChecked());
    EXPECT_TRUE(s.find<QGroupBox>("TeGroupBox2")->isVisible());
    for (const char* hidden : {"TeGroupBox1", "TeGroupBox4", "TeGroupBox5", "TeGroupBox6", "LoadGroupBox"})
        EXPECT_FALSE(s.find<QGroupBox>(hidden)->isVisible()) << hidden;
    EXPECT_EQ(s.find<QRadioButton>("TeRadioButton2")->text(), "&Hourly");
    EXPECT_EQ(s.find<QPushButton>("TeButton3")->text(), "R&emove");
    EXPECT_EQ(s.list()->model()->headerData(0, Qt::Horizontal).toString(), "Scheduled Task");
    EXPECT_EQ(s.find<QLineEdit>("TeMaskEdit1")->text(), "30");
    EXPECT_EQ(s.find<QComboBox>("TeComboBox6")->currentText(), "Friday");
    EXPECT_EQ(s.find<QComboBox>("TeComboBox9")->currentText(), "5");
    EXPECT_EQ(s.find<QComboBox>("LoadMeasureBox")->currentText(), "memory load");
    // Where trimming works, "By load" offers it too.
    SchedulerWidget trimming(nullptr, {.trim = true});
    trimming.show();
    QTest::mouseClick(trimming.findChild<QRadioButton*>("LoadRadioButton"), Qt::LeftButton);
    EXPECT_EQ(trimming.findChild<QComboBox*>("TeComboBox11")->itemText(3), "Trim");
}

// What each panel's controls stand for is the logic test's; here each
// control and button reaches it.
TEST(SchedulerGui, EachPanelsControlsAndButtonReachTheLogic) {
    SchedulerWindow s;
    s.w->show();
    // The daily panel as it opens, one hour digit typed ("2_:45"): the
    // unfilled digit reads as a leading blank.
    auto* time = s.find<QLineEdit>("TeMaskEdit2");
    time->clear();
    time->setCursorPosition(0);
    QTest::keyClicks(time, "2");
    time->setCursorPosition(3);
    QTest::keyClicks(time, "45");
    s.find<QComboBox>("TeComboBox3")->setCurrentText("PM");
    s.click("TeButton1");
    EXPECT_EQ(s.stored("0"), "R 14 45 every day 0 0 0");
    EXPECT_EQ(s.cell(0, 1), "Every day at 2:45PM");

    s.click("TeRadioButton2");
    EXPECT_TRUE(s.find<QGroupBox>("TeGroupBox1")->isVisible());
    s.find<QLineEdit>("TeMaskEdit1")->setText("45");
    s.click("TeButton4");
    EXPECT_EQ(s.stored("1"), "R 0 45 every hour 0 0 0");

    s.click("TeRadioButton3");
    s.find<QLineEdit>("TeMaskEdit3")->setText("02:30");
    s.find<QComboBox>("TeComboBox1")->setCurrentText("PM");
    s.find<QComboBox>("TeComboBox6")->setCurrentText("Monday");
    s.click("TeButton5");
    EXPECT_EQ(s.stored("2"), "R 14 30 every week 0 1 0");

    s.click("TeRadioButton4");
    s.find<QLineEdit>("TeMaskEdit4")->setText("09:15");
    s.find<QComboBox>("TeComboBox9")->setCurrentText("7");
    s.click("TeButton6");
    EXPECT_EQ(s.stored("3"), "R 9 15 every month 0 7 0");

    s.click("TeRadioButton5");
    s.find<QComboBox>("TeComboBox11")->setCurrentText("Both");
    s.find<QLineEdit>("TeMaskEdit5")->setText("11:00");
    s.find<QComboBox>("TeComboBox10")->setCurrentText("PM");
    s.click("TeButton7");
    EXPECT_EQ(s.stored("4"), "SR 23 0 on 12 30 2003");  // whatever the locale's date form

    s.click("LoadRadioButton");
    EXPECT_TRUE(s.find<QGroupBox>("LoadGroupBox")->isVisible());
    s.find<QSpinBox>("LoadPercentEdit")->setValue(85);
    s.find<QSpinBox>("LoadCooldownEdit")->setValue(5);
    s.click("LoadButton");
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "0"), "SR 85 5 0");
    s.find<QSpinBox>("LoadPercentEdit")->setValue(90);
    auto* measure = s.find<QComboBox>("LoadMeasureBox");
    measure->setCurrentIndex(1);
    emit measure->activated(1);  // as a choice from its list
    s.click("LoadButton");
    EXPECT_EQ(storedText(platform::kLoadTriggerKey, "1"), "SR 20 5 0 pressure");

    s.list()->setCurrentIndex(s.list()->model()->index(1, 0));
    s.click("TeButton3");
    EXPECT_EQ(s.stored("1"), "(none)");
    s.click("TeButton2");
    EXPECT_FALSE(s.w->isVisible());
}

TEST(SchedulerGui, TheKeyboardGoesAsTheLayoutReadsAndEscapeCloses) {
    SchedulerWindow s;
    s.w->show();
    s.w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.w.get()));
    // It opens with the keyboard on its first control, the period checked.
    EXPECT_EQ(QApplication::focusWidget(), s.find<QRadioButton>("TeRadioButton1"));
    // Run's letter takes the keyboard to its list, where Down changes it;
    // back from there, Tab lands on the period that is checked.
    auto* run = s.find<QComboBox>("TeComboBox11");
    QTest::keyClick(s.w.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), run);
    QTest::keyClick(run, Qt::Key_Down);
    EXPECT_EQ(run->currentText(), "Scrub");
    QTest::keyClick(run, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), s.find<QRadioButton>("TeRadioButton1"));  // "Daily", not "Hourly"
    s.find<QRadioButton>("TeRadioButton2")->setFocus();
    // Tab from the periods: Run, then the daily line (the panel shown), the
    // list, Remove, Close; hidden panels' controls are passed over.
    std::vector<QString> order;
    for (QWidget* w = s.find<QWidget>("TeComboBox11"); order.size() < 7; w = w->nextInFocusChain())
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w != s.w.get() &&
            !w->objectName().isEmpty())
            order.push_back(w->objectName());
    EXPECT_EQ(order, (std::vector<QString>{"TeComboBox11", "TeMaskEdit2", "TeComboBox3", "TeButton1", "TeListView1",
                                           "TeButton3", "TeButton2"}));
    // The controls without a caption of their own still have a name to say.
    EXPECT_EQ(s.find<QLineEdit>("TeMaskEdit1")->accessibleName(), "Minutes past the hour");
    EXPECT_EQ(s.find<QComboBox>("TeComboBox6")->accessibleName(), "Day of the week");

    // Tab comes into the list on its first row, selected, so the first Down
    // goes on to the second.
    s.click("TeButton1");
    s.find<QPushButton>("TeButton1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), s.list());
    EXPECT_EQ(s.list()->currentIndex().row(), 0);
    EXPECT_TRUE(s.list()->selectionModel()->isRowSelected(0, {}));

    QTest::keyClick(s.w.get(), Qt::Key_Escape);
    EXPECT_FALSE(s.w->isVisible());
}

// The list holds no rows of its own: a long one asks only for those it shows.
TEST(SchedulerGui, ALongListAsksOnlyForTheRowsItShows) {
    SchedulerWindow s;
    s.w->show();
    platform::QtListView lazy(s.list(), "Scheduled Task", "When");
    int asked = 0;
    lazy.setRows(100000, [&asked](int row) {
        ++asked;
        return std::pair{std::to_string(row), "row " + std::to_string(row)};
    });
    s.w->grab();
    EXPECT_EQ(lazy.rowCount(), 100000);
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, 100);
    s.list()->setCurrentIndex(s.list()->model()->index(99999, 0));
    s.w->grab();
    EXPECT_EQ(lazy.selectedRow(), 99999);
    EXPECT_EQ(lazy.cell(99999, 1), "row 99999");
    EXPECT_LT(asked, 200);
    lazy.setRows(0, nullptr);
    EXPECT_EQ(lazy.selectedRow(), -1);
}
