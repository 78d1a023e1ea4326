#include "schedule/qt/SchedulerformWidget.h"

#include "platform/qt/Design.h"
#include "platform/qt/Modal.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTreeView>

#include <iterator>
#include <type_traits>

namespace kestrune {
namespace {

namespace sf = schedulerform;
using platform::mnemonic;

using platform::px;

void place(QWidget* w, int x, int y, int width, int height) { platform::place(w, {x, y, width, height}); }

// The name a screen reader says for a control without a caption. Qt on Linux
// reports a drop-down list's current item as its name, so there the name goes
// in its description as well.
void speakAs(QWidget* w, const char* name) {
    w->setAccessibleName(QString::fromUtf8(name));
    if (qobject_cast<QComboBox*>(w) != nullptr) w->setAccessibleDescription(QString::fromUtf8(name));
}

QLabel* text(QWidget* parent, const char* caption, int x) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->adjustSize();
    l->move(px(l, x), px(l, sf::kRowTop + sf::kTextDrop));
    return l;
}

// A masked box's text as the window reads it: fixed positions, the colon
// kept, and an unfilled optional first digit as a leading blank (" 2:30").
std::string fixedPositions(const QLineEdit* box) {
    const QString shown = box->displayText();
    auto field = [&](int from) {
        QString digits;
        for (int i = from; i < from + 2 && i < shown.size(); ++i)
            if (shown[i].isDigit()) digits += shown[i];
        return digits.rightJustified(2, QLatin1Char(' '));
    };
    if (box->inputMask().startsWith(QLatin1String("09:99"))) return (field(0) + ':' + field(3)).toStdString();
    return field(0).toStdString();
}

class MaskedText final : public platform::Label {
public:
    explicit MaskedText(QLineEdit* w) : w_(w) {}
    void setText(const std::string& t) override { w_->setText(QString::fromStdString(t)); }
    std::string text() const override { return fixedPositions(w_); }

private:
    QLineEdit* w_;
};

// A number box's value, as the digits typed.
class SpinText final : public platform::Label {
public:
    explicit SpinText(QSpinBox* w) : w_(w) {}
    void setText(const std::string& t) override { w_->setValue(QString::fromStdString(t).toInt()); }
    std::string text() const override { return std::to_string(w_->value()); }

private:
    QSpinBox* w_;
};

QSpinBox* numberBox(QWidget* parent, const char* name, int low, int high, int initial, int x, int y) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setRange(low, high);
    box->setValue(initial);
    place(box, x, y, sf::kNumberBoxWidth, sf::kBoxHeight);
    return box;
}

// A date's text as month/day/four-digit year, whatever the locale.
const QString kDateForm = QStringLiteral("M/d/yyyy");
QDate dateOf(const char* text) { return QDate::fromString(QString::fromUtf8(text), kDateForm); }

// The picker's date handed on as month/day/four-digit year, whatever the locale.
class DateText final : public platform::Label {
public:
    explicit DateText(QDateEdit* w) : w_(w) {}
    void setText(const std::string& t) override {
        w_->setDate(QDate::fromString(QString::fromStdString(t), kDateForm));
    }
    std::string text() const override { return w_->date().toString(kDateForm).toStdString(); }

private:
    QDateEdit* w_;
};

QComboBox* dropDown(QWidget* parent, const char* name, const QStringList& items, const QString& initial, int x,
                    int width) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->addItems(items);
    box->setCurrentText(initial);
    box->setEditable(false);
    box->setMaxVisibleItems(sf::kDropDownRows);
    place(box, x, sf::kRowTop, width, sf::kBoxHeight);
    return box;
}

QPushButton* scheduleButton(QGroupBox* panel, const char* name) {
    auto* b = new QPushButton(mnemonic(sf::kScheduleCaption, sf::kScheduleKey), panel);
    b->setObjectName(QString::fromUtf8(name));
    const int panelWidth = platform::scaleOf(panel).toDesign(panel->width());
    place(b, panelWidth - sf::kScheduleWidth - sf::kScheduleRight, sf::kScheduleTop, sf::kScheduleWidth,
          sf::kButtonHeight);
    return b;
}

}  // namespace

template <class Adapter, class Widget>
Adapter& SchedulerWidget::adapt(Widget* w) {
    auto owned = std::make_unique<Adapter>(w);
    Adapter& adapter = *owned;
    if constexpr (std::is_base_of_v<platform::Panel, Adapter>)
        panels_.push_back(std::move(owned));
    else
        texts_.push_back(std::move(owned));
    return adapter;
}

QGroupBox* SchedulerWidget::panel(const char* name, int width) {
    auto* box = new QGroupBox(client_);
    box->setObjectName(QString::fromUtf8(name));
    place(box, sf::kPanel.left, sf::kPanel.top, width, sf::kPanel.height);
    box->hide();
    return box;
}

QLineEdit* SchedulerWidget::timeBox(QWidget* parent, const char* name, int x) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromUtf8(name));
    // Two hour digits (the first optional), the colon kept, two minute digits.
    e->setInputMask(QStringLiteral("09:99;_"));
    e->setText(QString::fromUtf8(sf::kInitialTime));
    speakAs(e, sf::kTimeName);
    place(e, x, sf::kRowTop, sf::kTimeWidth, sf::kBoxHeight);
    return e;
}

QComboBox* SchedulerWidget::amPm(QWidget* parent, const char* name, int x) {
    QStringList items;
    for (const char* item : sf::kAmPmItems) items << QString::fromUtf8(item);
    QComboBox* box = dropDown(parent, name, items, QString::fromUtf8(sf::kInitialAmPm), x, sf::kAmPmWidth);
    speakAs(box, sf::kAmPmName);
    return box;
}

SchedulerWidget::SchedulerWidget(QWidget* owner, SchedulerOffers offers) : QDialog(owner) {
    setObjectName(QStringLiteral("Scheduler"));
    setWindowTitle(QString::fromUtf8(sf::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* surface = new platform::DesignSurface(this, sf::kClientWidth, sf::kClientHeight);
    self_.setSurface(surface);
    client_ = surface->surface();

    auto* runLabel = new QLabel(mnemonic(sf::kRunCaption, sf::kRunKey), client_);
    runLabel->setObjectName(QStringLiteral("Label13"));
    runLabel->move(px(runLabel, sf::kRunLabelLeft), px(runLabel, sf::kRun.top + sf::kTextDrop));
    runLabel->adjustSize();
    QStringList runItems;
    for (const char* item : sf::kRunItems) runItems << QString::fromUtf8(item);
    QComboBox* run =
        dropDown(client_, "TeComboBox11", runItems, QString::fromUtf8(sf::kRunItems[0]), sf::kRun.left, sf::kRun.width);
    run->move(px(run, sf::kRun.left), px(run, sf::kRun.top));
    speakAs(run, sf::kRunCaption);
    runLabel->setBuddy(run);
    run_.emplace(run);

    auto* periods = new QGroupBox(client_);
    periods->setObjectName(QStringLiteral("TeGroupBox3"));
    place(periods, sf::kPeriods.left, sf::kPeriods.top, sf::kPeriods.width, sf::kPeriods.height);
    periods->setAccessibleName(QString::fromUtf8(sf::kPeriodsName));
    // First of the window's children, as it stands first: a screen reader
    // reads them in that order.
    periods->lower();
    const char* names[] = {"TeRadioButton2", "TeRadioButton1", "TeRadioButton3",
                           "TeRadioButton4", "TeRadioButton5", "LoadRadioButton"};
    static_assert(std::size(names) == sf::kPeriodCount);
    QRadioButton* radios[sf::kPeriodCount];
    for (int i = 0; i < static_cast<int>(sf::kPeriodCount); ++i) {
        radios[i] = new QRadioButton(mnemonic(sf::kPeriodCaptions[i], sf::kPeriodKeys[i]), periods);
        radios[i]->setObjectName(QString::fromUtf8(names[i]));
        place(radios[i], sf::kRadioLeft, sf::kRadioTop + sf::kRadioPitch * i, sf::kRadioWidth, sf::kRadioHeight);
    }
    radios[sf::kInitialPeriod]->setChecked(true);
    // Tab enters the group on the checked choice: only it takes a Tab, as
    // Qt arranges by itself once a choice has had the keyboard.
    for (QRadioButton* r : radios)
        if (!r->isChecked()) r->setFocusPolicy(static_cast<Qt::FocusPolicy>(r->focusPolicy() & ~Qt::TabFocus));

    // The period panels, stacked in one place.
    QGroupBox* hourly = panel("TeGroupBox1", sf::kHourlyPanelWidth);
    text(hourly, sf::kAtWord, sf::kAtLeft);
    auto* minutes = new QLineEdit(hourly);
    minutes->setObjectName(QStringLiteral("TeMaskEdit1"));
    minutes->setInputMask(QStringLiteral("09;_"));
    minutes->setText(QString::fromUtf8(sf::kInitialMinutes));
    speakAs(minutes, sf::kMinutesName);
    place(minutes, sf::kMinutesLeft, sf::kRowTop, sf::kMinutesWidth, sf::kBoxHeight);
    text(hourly, sf::kMinutesWords, sf::kMinutesWordsLeft);
    QPushButton* b4 = scheduleButton(hourly, "TeButton4");

    QGroupBox* daily = panel("TeGroupBox2", sf::kPanel.width);
    text(daily, sf::kAtWord, sf::kAtLeft);
    QLineEdit* dailyTime = timeBox(daily, "TeMaskEdit2", sf::kTimeLeft);
    QComboBox* dailyAmPm = amPm(daily, "TeComboBox3", sf::kAmPmLeft);
    QPushButton* b1 = scheduleButton(daily, "TeButton1");

    QGroupBox* weekly = panel("TeGroupBox4", sf::kPanel.width);
    text(weekly, sf::kAtWord, sf::kAtLeft);
    QLineEdit* weeklyTime = timeBox(weekly, "TeMaskEdit3", sf::kTimeLeft);
    QComboBox* weeklyAmPm = amPm(weekly, "TeComboBox1", sf::kAmPmLeft);
    text(weekly, sf::kOnWord, sf::kOnLeft);
    QStringList weekdays;
    for (const char* d : sf::kWeekdayItems) weekdays << QString::fromUtf8(d);
    QComboBox* weekday = dropDown(weekly, "TeComboBox6", weekdays, QString::fromUtf8(sf::kInitialWeekday),
                                  sf::kWeekdayLeft, sf::kWeekdayWidth);
    speakAs(weekday, sf::kWeekdayName);
    QPushButton* b5 = scheduleButton(weekly, "TeButton5");

    QGroupBox* monthly = panel("TeGroupBox5", sf::kPanel.width);
    text(monthly, sf::kAtWord, sf::kAtLeft);
    QLineEdit* monthlyTime = timeBox(monthly, "TeMaskEdit4", sf::kTimeLeft);
    QComboBox* monthlyAmPm = amPm(monthly, "TeComboBox7", sf::kAmPmLeft);
    text(monthly, sf::kOnTheWords, sf::kOnTheLeft);
    QStringList days;
    for (int d = 1; d <= sf::kMonthDays; ++d) days << QString::number(d);
    QComboBox* dayBox = dropDown(monthly, "TeComboBox9", days, QString::fromUtf8(sf::kInitialMonthDay),
                                 sf::kMonthDayLeft, sf::kMonthDayWidth);
    speakAs(dayBox, sf::kMonthDayName);
    text(monthly, sf::kDayOfMonthWords, sf::kDayOfMonthLeft);
    QPushButton* b6 = scheduleButton(monthly, "TeButton6");

    QGroupBox* once = panel("TeGroupBox6", sf::kPanel.width);
    text(once, sf::kAtWord, sf::kAtLeft);
    QLineEdit* onceTime = timeBox(once, "TeMaskEdit5", sf::kTimeLeft);
    QComboBox* onceAmPm = amPm(once, "TeComboBox10", sf::kAmPmLeft);
    text(once, sf::kOnWord, sf::kOnLeft);
    auto* date = new QDateEdit(dateOf(sf::kInitialDate), once);
    date->setObjectName(QStringLiteral("DateTimePicker1"));
    date->setCalendarPopup(true);
    speakAs(date, sf::kDateName);
    date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    place(date, sf::kDateLeft, sf::kRowTop, sf::kDateWidth, sf::kBoxHeight);
    QPushButton* b7 = scheduleButton(once, "TeButton7");

    QGroupBox* byLoad = panel("LoadGroupBox", sf::kPanel.width);
    namespace lt = loadtrigger;
    // "when the [memory load] exceeds [90] %,": each part just after the one before.
    auto* loadWords = new QLabel(QString::fromUtf8(sf::kLoadWords[0]), byLoad);
    loadWords->adjustSize();
    loadWords->move(px(loadWords, sf::kLoadWordsLeft), px(loadWords, sf::kLoadBoxTops[0] + sf::kTextDrop));
    const int measureLeft =
        sf::kLoadWordsLeft + platform::scaleOf(loadWords).toDesign(loadWords->width()) + sf::kLoadBoxGap;
    // Its items are the rules': what this system tells.
    QComboBox* measure = dropDown(byLoad, "LoadMeasureBox", {}, {}, measureLeft, sf::kLoadMeasureWidth);
    measure->move(px(measure, measureLeft), px(measure, sf::kLoadBoxTops[0]));
    speakAs(measure, sf::kLoadMeasureName);
    loadWords->setBuddy(measure);
    auto* exceedsWord = new QLabel(QString::fromUtf8(sf::kLoadWords[1]), byLoad);
    exceedsWord->adjustSize();
    const int exceedsLeft = measureLeft + sf::kLoadMeasureWidth + sf::kLoadBoxGap;
    exceedsWord->move(px(exceedsWord, exceedsLeft), px(exceedsWord, sf::kLoadBoxTops[0] + sf::kTextDrop));
    const int percentLeft =
        exceedsLeft + platform::scaleOf(exceedsWord).toDesign(exceedsWord->width()) + sf::kLoadBoxGap;
    QSpinBox* percent = numberBox(byLoad, "LoadPercentEdit", lt::kMinPercent, lt::kMaxPercent, lt::kDefaultPercent,
                                  percentLeft, sf::kLoadBoxTops[0]);
    speakAs(percent, sf::kLoadPercentName);
    auto* percentSign = new QLabel(QString::fromUtf8(sf::kLoadWords[2]), byLoad);
    percentSign->adjustSize();
    percentSign->move(px(percentSign, percentLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap),
                      px(percentSign, sf::kLoadBoxTops[0] + sf::kTextDrop));
    auto* everyWords = new QLabel(QString::fromUtf8(sf::kLoadWords[3]), byLoad);
    everyWords->adjustSize();
    everyWords->move(px(everyWords, sf::kLoadWordsLeft), px(everyWords, sf::kLoadBoxTops[1] + sf::kTextDrop));
    const int cooldownLeft =
        sf::kLoadWordsLeft + platform::scaleOf(everyWords).toDesign(everyWords->width()) + sf::kLoadBoxGap;
    QSpinBox* cooldown = numberBox(byLoad, "LoadCooldownEdit", lt::kMinCooldown, lt::kMaxCooldown, lt::kDefaultCooldown,
                                   cooldownLeft, sf::kLoadBoxTops[1]);
    speakAs(cooldown, sf::kCooldownName);
    auto* minutesWord = new QLabel(QString::fromUtf8(sf::kLoadWords[4]), byLoad);
    minutesWord->adjustSize();
    minutesWord->move(px(minutesWord, cooldownLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap),
                      px(minutesWord, sf::kLoadBoxTops[1] + sf::kTextDrop));
    QPushButton* b8 = scheduleButton(byLoad, "LoadButton");

    auto* list = new QTreeView(client_);
    list->setObjectName(QStringLiteral("TeListView1"));
    list_.emplace(list, sf::kListHeaders[0], sf::kListHeaders[1]);
    speakAs(list, sf::kListName);
    list->setColumnWidth(0, px(list, sf::kListColumnWidths[0]));
    list->setColumnWidth(1, px(list, sf::kListColumnWidths[1]));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    place(list, sf::kList.left, sf::kList.top, sf::kList.width, sf::kList.height);

    auto* remove = new QPushButton(mnemonic(sf::kRemoveCaption, sf::kRemoveKey), client_);
    remove->setObjectName(QStringLiteral("TeButton3"));
    place(remove, sf::kRemove.left, sf::kRemove.top, sf::kRemove.width, sf::kRemove.height);
    auto* close = new QPushButton(mnemonic(sf::kCloseCaption, sf::kCloseKey), client_);
    close->setObjectName(QStringLiteral("TeButton2"));
    place(close, sf::kClose.left, sf::kClose.top, sf::kClose.width, sf::kClose.height);

    // The keyboard goes as the eye reads: the periods, Run, the period's own
    // line, the list, Remove, Close. Hidden panels' controls are passed over.
    QWidget* order[] = {radios[0],   radios[1],   radios[2], radios[3], radios[4],  radios[5],  run,     minutes,
                        b4,          dailyTime,   dailyAmPm, b1,        weeklyTime, weeklyAmPm, weekday, b5,
                        monthlyTime, monthlyAmPm, dayBox,    b6,        onceTime,   onceAmPm,   date,    b7,
                        measure,     percent,     cooldown,  b8,        list,       remove,     close};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    platform::Panel* panels[] = {&adapt<platform::QtPanel>(hourly), &adapt<platform::QtPanel>(daily),
                                 &adapt<platform::QtPanel>(weekly), &adapt<platform::QtPanel>(monthly),
                                 &adapt<platform::QtPanel>(once),   &adapt<platform::QtPanel>(byLoad)};
    static_assert(std::size(panels) == sf::kPeriodCount);
    // Each period's panel is read under that period's name.
    QGroupBox* panelBoxes[] = {hourly, daily, weekly, monthly, once, byLoad};
    for (std::size_t i = 0; i < sf::kPeriodCount; ++i)
        panelBoxes[i]->setAccessibleName(QString::fromUtf8(sf::kPeriodCaptions[i]));
    panels[sf::kInitialPeriod]->setVisible(true);
    form_.emplace(TScheduler::Controls{.self = self_,
                                       .TeComboBox11 = *run_,
                                       .TeGroupBox1 = *panels[0],
                                       .TeGroupBox2 = *panels[1],
                                       .TeGroupBox4 = *panels[2],
                                       .TeGroupBox5 = *panels[3],
                                       .TeGroupBox6 = *panels[4],
                                       .TeMaskEdit1 = adapt<MaskedText>(minutes),
                                       .TeMaskEdit2 = adapt<MaskedText>(dailyTime),
                                       .TeMaskEdit3 = adapt<MaskedText>(weeklyTime),
                                       .TeMaskEdit4 = adapt<MaskedText>(monthlyTime),
                                       .TeMaskEdit5 = adapt<MaskedText>(onceTime),
                                       .TeComboBox3 = adapt<platform::QtComboText>(dailyAmPm),
                                       .TeComboBox1 = adapt<platform::QtComboText>(weeklyAmPm),
                                       .TeComboBox7 = adapt<platform::QtComboText>(monthlyAmPm),
                                       .TeComboBox10 = adapt<platform::QtComboText>(onceAmPm),
                                       .TeComboBox6 = adapt<platform::QtComboText>(weekday),
                                       .TeComboBox9 = adapt<platform::QtComboText>(dayBox),
                                       .DateTimePicker1 = adapt<DateText>(date),
                                       .TeListView1 = *list_,
                                       .LoadGroupBox = *panels[5],
                                       .LoadPercentEdit = adapt<SpinText>(percent),
                                       .LoadCooldownEdit = adapt<SpinText>(cooldown),
                                       .LoadMeasureBox = adapt<platform::QtComboText>(measure)},
                  offers);

    connect(radios[0], &QRadioButton::clicked, this, [this] { form_->TeRadioButton2Click(); });
    connect(radios[1], &QRadioButton::clicked, this, [this] { form_->TeRadioButton1Click(); });
    connect(radios[2], &QRadioButton::clicked, this, [this] { form_->TeRadioButton3Click(); });
    connect(radios[3], &QRadioButton::clicked, this, [this] { form_->TeRadioButton4Click(); });
    connect(radios[4], &QRadioButton::clicked, this, [this] { form_->TeRadioButton5Click(); });
    connect(radios[5], &QRadioButton::clicked, this, [this] { form_->LoadRadioButtonClick(); });
    connect(b4, &QPushButton::clicked, this, [this] { form_->TeButton4Click(); });
    connect(b1, &QPushButton::clicked, this, [this] { form_->TeButton1Click(); });
    connect(b5, &QPushButton::clicked, this, [this] { form_->TeButton5Click(); });
    connect(b6, &QPushButton::clicked, this, [this] { form_->TeButton6Click(); });
    connect(b7, &QPushButton::clicked, this, [this] { form_->TeButton7Click(); });
    connect(b8, &QPushButton::clicked, this, [this] { form_->LoadButtonClick(); });
    connect(measure, &QComboBox::activated, this, [this] { form_->LoadMeasureBoxChange(); });
    connect(remove, &QPushButton::clicked, this, [this] { form_->TeButton3Click(); });
    connect(close, &QPushButton::clicked, this, [this] { form_->TeButton2Click(); });

    // The designed place, kept on the screen where that screen is smaller.
    QPoint at(px(sf::kDesignLeft), px(sf::kDesignTop));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - px(this, sf::kFrameWidth))));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - px(this, sf::kFrameHeight))));
    }
    move(at);
}

SchedulerWidget::~SchedulerWidget() = default;

void SchedulerWidget::showModal() { platform::execModal(this); }

// Escape: closed as by its Close button or the title bar's close, not only
// hidden as a dialog's reject would.
void SchedulerWidget::reject() { close(); }

void SchedulerWidget::closeEvent(QCloseEvent* e) {
    // A dialog's own close handling calls reject(); the window simply closes.
    QWidget::closeEvent(e);  // NOLINT(bugprone-parent-virtual-call): past the dialog's own
}

void SchedulerWidget::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) form_->FormShow();
}

}  // namespace kestrune
