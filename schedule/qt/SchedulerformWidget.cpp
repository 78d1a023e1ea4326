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
#include <span>
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

QLabel* text(QWidget* parent, const char* caption, int x, int y) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->adjustSize();
    l->move(px(l, x), px(l, y));
    return l;
}

QStringList itemsOf(std::span<const char* const> items) {
    QStringList list;
    for (const char* item : items) list << QString::fromUtf8(item);
    return list;
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

QComboBox* dropDown(QWidget* parent, const char* name, const QStringList& items, const QString& initial,
                    const platform::Rect& r) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->addItems(items);
    box->setCurrentText(initial);
    box->setEditable(false);
    box->setMaxVisibleItems(sf::kDropDownRows);
    platform::place(box, r);
    return box;
}

QLineEdit* maskedBox(QWidget* parent, const sf::PanelControl& c, const QString& mask, const char* spoken) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromUtf8(c.name));
    e->setInputMask(mask);
    e->setText(QString::fromUtf8(c.text));
    speakAs(e, spoken);
    platform::place(e, c.rect);
    return e;
}

QComboBox* choiceBox(QWidget* parent, const sf::PanelControl& c, const QStringList& items, const char* spoken) {
    QComboBox* box = dropDown(parent, c.name, items, QString::fromUtf8(c.text), c.rect);
    speakAs(box, spoken);
    return box;
}

QStringList monthDays() {
    QStringList days;
    for (int d = 1; d <= sf::kMonthDays; ++d) days << QString::number(d);
    return days;
}

// One control of a period panel's line; words give none, as they take no keyboard.
QWidget* lineControl(QGroupBox* panel, const sf::PanelControl& c) {
    switch (c.part) {
        case sf::Part::Words:
            text(panel, c.text, c.rect.left, c.rect.top);
            return nullptr;
        case sf::Part::Minutes:
            return maskedBox(panel, c, QStringLiteral("09;_"), sf::kMinutesName);
        case sf::Part::Time:
            // Two hour digits (the first optional), the colon kept, two minute digits.
            return maskedBox(panel, c, QStringLiteral("09:99;_"), sf::kTimeName);
        case sf::Part::AmPm:
            return choiceBox(panel, c, itemsOf(sf::kAmPmItems), sf::kAmPmName);
        case sf::Part::Weekday:
            return choiceBox(panel, c, itemsOf(sf::kWeekdayItems), sf::kWeekdayName);
        case sf::Part::MonthDay:
            return choiceBox(panel, c, monthDays(), sf::kMonthDayName);
        case sf::Part::Date: {
            auto* date = new QDateEdit(dateOf(c.text), panel);
            date->setObjectName(QString::fromUtf8(c.name));
            date->setCalendarPopup(true);
            speakAs(date, sf::kDateName);
            date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
            platform::place(date, c.rect);
            return date;
        }
        case sf::Part::Schedule: {
            auto* b = new QPushButton(mnemonic(c.text, sf::kScheduleKey), panel);
            b->setObjectName(QString::fromUtf8(c.name));
            platform::place(b, c.rect);
            return b;
        }
    }
    return nullptr;
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

QGroupBox* SchedulerWidget::panel(const char* name, int width, const char* spoken) {
    auto* box = new QGroupBox(client_);
    box->setObjectName(QString::fromUtf8(name));
    place(box, sf::kPanel.left, sf::kPanel.top, width, sf::kPanel.height);
    box->hide();
    // Each period's panel is read under that period's name.
    box->setAccessibleName(QString::fromUtf8(spoken));
    return box;
}

template <class Widget>
Widget* SchedulerWidget::named(const char* name) const {
    return client_->findChild<Widget*>(QString::fromUtf8(name));
}

SchedulerWidget::SchedulerWidget(QWidget* owner, SchedulerOffers offers) : QDialog(owner) {
    setObjectName(QStringLiteral("Scheduler"));
    setWindowTitle(QString::fromUtf8(sf::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* surface = new platform::DesignSurface(this, sf::kClientWidth, sf::kClientHeight);
    self_.setSurface(surface);
    client_ = surface->surface();

    // The keyboard goes as the eye reads: the periods, Run, the period's own
    // line, the list, Remove, Close. Hidden panels' controls are passed over.
    QWidget* run = buildRun();
    std::vector<QWidget*> order = buildPeriodChoices();
    order.push_back(run);
    buildTimedPanels(order);
    buildLoadPanel(order);
    buildList(order);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    wire(offers);
    placeOnScreen();
}

QWidget* SchedulerWidget::buildRun() {
    auto* runLabel = new QLabel(mnemonic(sf::kRunCaption, sf::kRunKey), client_);
    runLabel->setObjectName(QStringLiteral("Label13"));
    runLabel->move(px(runLabel, sf::kRunLabelLeft), px(runLabel, sf::kRun.top + sf::kTextDrop));
    runLabel->adjustSize();
    QComboBox* run =
        dropDown(client_, "TeComboBox11", itemsOf(sf::kRunItems), QString::fromUtf8(sf::kRunItems[0]), sf::kRun);
    speakAs(run, sf::kRunCaption);
    runLabel->setBuddy(run);
    run_.emplace(run);
    return run;
}

std::vector<QWidget*> SchedulerWidget::buildPeriodChoices() {
    auto* periods = new QGroupBox(client_);
    periods->setObjectName(QStringLiteral("TeGroupBox3"));
    place(periods, sf::kPeriods.left, sf::kPeriods.top, sf::kPeriods.width, sf::kPeriods.height);
    periods->setAccessibleName(QString::fromUtf8(sf::kPeriodsName));
    // First of the window's children, as it stands first: a screen reader
    // reads them in that order.
    periods->lower();
    std::vector<QWidget*> radios;
    for (int i = 0; i < static_cast<int>(sf::kPeriodCount); ++i) {
        auto* r = new QRadioButton(mnemonic(sf::kPeriodCaptions[i], sf::kPeriodKeys[i]), periods);
        r->setObjectName(QString::fromUtf8(sf::kClicks[i].name));
        place(r, sf::kRadioLeft, sf::kRadioTop + sf::kRadioPitch * i, sf::kRadioWidth, sf::kRadioHeight);
        r->setChecked(i == sf::kInitialPeriod);
        // Tab enters the group on the checked choice: only it takes a Tab, as
        // Qt arranges by itself once a choice has had the keyboard.
        if (i != sf::kInitialPeriod) r->setFocusPolicy(static_cast<Qt::FocusPolicy>(r->focusPolicy() & ~Qt::TabFocus));
        radios.push_back(r);
    }
    return radios;
}

// The period panels, stacked in one place.
void SchedulerWidget::buildTimedPanels(std::vector<QWidget*>& order) {
    for (std::size_t i = 0; i < std::size(sf::kTimedPanels); ++i) {
        const sf::PeriodPanel& p = sf::kTimedPanels[i];
        QGroupBox* box = panel(p.name, p.width, sf::kPeriodCaptions[i]);
        for (const sf::PanelControl& c : sf::lineOf(p))
            if (QWidget* w = lineControl(box, c)) order.push_back(w);
    }
}

// "when the [memory load] exceeds [90] %,": each part just after the one before.
void SchedulerWidget::buildLoadPanel(std::vector<QWidget*>& order) {
    namespace lt = loadtrigger;
    QGroupBox* byLoad = panel(sf::kLoadPanelName, sf::kPanel.width, sf::kPeriodCaptions[sf::kPeriodCount - 1]);
    const int first = sf::kLoadBoxTops[0] + sf::kTextDrop;
    QLabel* loadWords = text(byLoad, sf::kLoadWords[0], sf::kLoadWordsLeft, first);
    auto after = [](const QLabel* words, int left) {
        return left + platform::scaleOf(words).toDesign(words->width()) + sf::kLoadBoxGap;
    };
    const int measureLeft = after(loadWords, sf::kLoadWordsLeft);
    // Its items are the rules': what this system tells.
    QComboBox* measure = dropDown(byLoad, "LoadMeasureBox", {}, {},
                                  {measureLeft, sf::kLoadBoxTops[0], sf::kLoadMeasureWidth, sf::kBoxHeight});
    speakAs(measure, sf::kLoadMeasureName);
    loadWords->setBuddy(measure);
    const int exceedsLeft = measureLeft + sf::kLoadMeasureWidth + sf::kLoadBoxGap;
    const int percentLeft = after(text(byLoad, sf::kLoadWords[1], exceedsLeft, first), exceedsLeft);
    QSpinBox* percent = numberBox(byLoad, "LoadPercentEdit", lt::kMinPercent, lt::kMaxPercent, lt::kDefaultPercent,
                                  percentLeft, sf::kLoadBoxTops[0]);
    speakAs(percent, sf::kLoadPercentName);
    text(byLoad, sf::kLoadWords[2], percentLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, first);
    const int second = sf::kLoadBoxTops[1] + sf::kTextDrop;
    const int cooldownLeft = after(text(byLoad, sf::kLoadWords[3], sf::kLoadWordsLeft, second), sf::kLoadWordsLeft);
    QSpinBox* cooldown = numberBox(byLoad, "LoadCooldownEdit", lt::kMinCooldown, lt::kMaxCooldown, lt::kDefaultCooldown,
                                   cooldownLeft, sf::kLoadBoxTops[1]);
    speakAs(cooldown, sf::kCooldownName);
    text(byLoad, sf::kLoadWords[4], cooldownLeft + sf::kNumberBoxWidth + sf::kLoadUnitGap, second);
    QWidget* button = lineControl(byLoad, sf::schedule(sf::kPanel.width, "LoadButton", sf::id::kLoadButton));
    order.insert(order.end(), {measure, percent, cooldown, button});
}

void SchedulerWidget::buildList(std::vector<QWidget*>& order) {
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
    order.insert(order.end(), {list, remove, close});
}

// Hands the controls to the rules and their presses to its handlers.
void SchedulerWidget::wire(SchedulerOffers offers) {
    platform::Panel* panels[sf::kPeriodCount] = {};
    for (std::size_t i = 0; i < std::size(sf::kTimedPanels); ++i)
        panels[i] = &adapt<platform::QtPanel>(named<QGroupBox>(sf::kTimedPanels[i].name));
    panels[sf::kPeriodCount - 1] = &adapt<platform::QtPanel>(named<QGroupBox>(sf::kLoadPanelName));
    panels[sf::kInitialPeriod]->setVisible(true);
    auto masked = [this](const char* name) -> platform::Label& { return adapt<MaskedText>(named<QLineEdit>(name)); };
    auto combo = [this](const char* name) -> platform::QtComboText& {
        return adapt<platform::QtComboText>(named<QComboBox>(name));
    };
    form_.emplace(TScheduler::Controls{.self = self_,
                                       .TeComboBox11 = *run_,
                                       .TeGroupBox1 = *panels[0],
                                       .TeGroupBox2 = *panels[1],
                                       .TeGroupBox4 = *panels[2],
                                       .TeGroupBox5 = *panels[3],
                                       .TeGroupBox6 = *panels[4],
                                       .TeMaskEdit1 = masked("TeMaskEdit1"),
                                       .TeMaskEdit2 = masked("TeMaskEdit2"),
                                       .TeMaskEdit3 = masked("TeMaskEdit3"),
                                       .TeMaskEdit4 = masked("TeMaskEdit4"),
                                       .TeMaskEdit5 = masked("TeMaskEdit5"),
                                       .TeComboBox3 = combo("TeComboBox3"),
                                       .TeComboBox1 = combo("TeComboBox1"),
                                       .TeComboBox7 = combo("TeComboBox7"),
                                       .TeComboBox10 = combo("TeComboBox10"),
                                       .TeComboBox6 = combo("TeComboBox6"),
                                       .TeComboBox9 = combo("TeComboBox9"),
                                       .DateTimePicker1 = adapt<DateText>(named<QDateEdit>("DateTimePicker1")),
                                       .TeListView1 = *list_,
                                       .LoadGroupBox = *panels[5],
                                       .LoadPercentEdit = adapt<SpinText>(named<QSpinBox>("LoadPercentEdit")),
                                       .LoadCooldownEdit = adapt<SpinText>(named<QSpinBox>("LoadCooldownEdit")),
                                       .LoadMeasureBox = combo("LoadMeasureBox")},
                  offers);

    for (const sf::Click& c : sf::kClicks)
        connect(named<QAbstractButton>(c.name), &QAbstractButton::clicked, this,
                [this, handler = c.handler] { ((*form_).*handler)(); });
    connect(named<QComboBox>("LoadMeasureBox"), &QComboBox::activated, this, [this] { form_->LoadMeasureBoxChange(); });
}

// The designed place, kept on the screen where that screen is smaller.
void SchedulerWidget::placeOnScreen() {
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
