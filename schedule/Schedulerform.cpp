#include "schedule/Schedulerform.h"

#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

namespace kestrune {

using namespace schedulerform;

namespace {

void openKey(platform::RegistryReaderWriter& reg, const char* key) {
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(key);
}

// The parts of a date text split at "/": before the first, between the first
// and the second (to the end without a second), after the second.
std::string datePart(const std::string& text, int part) {
    const std::size_t first = text.find('/');
    if (part == 0) return text.substr(0, first);
    if (first == std::string::npos) return std::string();
    const std::size_t second = text.find('/', first + 1);
    if (part == 1) return text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    return second == std::string::npos ? std::string() : text.substr(second + 1);
}

}  // namespace

std::string TScheduler::taskCode(const std::string& runText) {
    if (runText == "Recovery") return "R";
    if (runText == "Scrub") return "S";
    return "SR";
}

std::string TScheduler::triggerTaskCode(const std::string& runText) {
    return runText == kTrimItem ? "T" : taskCode(runText);
}

std::int32_t TScheduler::typedHour(const std::string& timeText, const std::string& amPm) {
    const std::int32_t typed = toInt32(timeText.substr(0, 2));
    const bool pm = amPm == "PM";
    // 12 o'clock: midnight with "AM", noon with "PM", so the hour is 0-23.
    if (typed == 12) return pm ? 12 : 0;
    return pm ? typed + 12 : typed;
}

std::int32_t TScheduler::typedMinute(const std::string& timeText) {
    return toInt32(timeText.size() > 3 ? timeText.substr(3, 2) : std::string());
}

std::int32_t TScheduler::dateMonth(const std::string& d) { return toInt32(datePart(d, 0)); }
std::int32_t TScheduler::dateDay(const std::string& d) { return toInt32(datePart(d, 1)); }
std::int32_t TScheduler::dateYear(const std::string& d) { return toInt32(datePart(d, 2)); }

TScheduler::TScheduler(const Controls& controls, SchedulerOffers offers) : c_(controls), offers_(offers) {
    std::vector<std::string> measures{kLoadMeasureItems[0]};
    if (offers_.pressure) measures.emplace_back(kLoadMeasureItems[1]);
    c_.LoadMeasureBox.setItems(measures);
}

void TScheduler::showPanel(platform::Panel& panel) {
    for (platform::Panel* p :
         {&c_.TeGroupBox1, &c_.TeGroupBox2, &c_.TeGroupBox4, &c_.TeGroupBox5, &c_.TeGroupBox6, &c_.LoadGroupBox})
        p->setVisible(p == &panel);
    std::vector<std::string> items(std::begin(kRunItems), std::end(kRunItems));
    if (offers_.trim && &panel == &c_.LoadGroupBox) items.emplace_back(kTrimItem);
    // "Trim" chosen and a timed period clicked: the list falls back to its first item.
    if (c_.TeComboBox11.items() != items) c_.TeComboBox11.setItems(items);
}

void TScheduler::TeRadioButton2Click() { showPanel(c_.TeGroupBox1); }
void TScheduler::TeRadioButton1Click() { showPanel(c_.TeGroupBox2); }
void TScheduler::TeRadioButton3Click() { showPanel(c_.TeGroupBox4); }
void TScheduler::TeRadioButton4Click() { showPanel(c_.TeGroupBox5); }
void TScheduler::TeRadioButton5Click() { showPanel(c_.TeGroupBox6); }
void TScheduler::LoadRadioButtonClick() { showPanel(c_.LoadGroupBox); }

ScheduleEntry TScheduler::newEntry(const char* period) const {
    ScheduleEntry e;
    e.period = period;
    e.task = taskCode(c_.TeComboBox11.text());
    return e;
}

void TScheduler::TeButton4Click() {
    ScheduleEntry e = newEntry("hour");
    e.minute = toInt32(c_.TeMaskEdit1.text().substr(0, 2));
    storeEntry(e.toText());
}

void TScheduler::TeButton1Click() {
    ScheduleEntry e = newEntry("day");
    e.hour = typedHour(c_.TeMaskEdit2.text(), c_.TeComboBox3.text());
    e.minute = typedMinute(c_.TeMaskEdit2.text());
    storeEntry(e.toText());
}

void TScheduler::TeButton5Click() {
    ScheduleEntry e = newEntry("week");
    e.hour = typedHour(c_.TeMaskEdit3.text(), c_.TeComboBox1.text());
    e.minute = typedMinute(c_.TeMaskEdit3.text());
    const std::string weekday = c_.TeComboBox6.text();
    const auto* it = std::find_if(std::begin(kWeekdayItems), std::end(kWeekdayItems),
                                  [&](const char* name) { return weekday == name; });
    e.day = it == std::end(kWeekdayItems) ? -1 : static_cast<std::int32_t>(it - std::begin(kWeekdayItems));
    storeEntry(e.toText());
}

void TScheduler::TeButton6Click() {
    ScheduleEntry e = newEntry("month");
    e.hour = typedHour(c_.TeMaskEdit4.text(), c_.TeComboBox7.text());
    e.minute = typedMinute(c_.TeMaskEdit4.text());
    e.day = toInt32(c_.TeComboBox9.text());
    storeEntry(e.toText());
}

void TScheduler::TeButton7Click() {
    ScheduleEntry e = newEntry("on");
    e.hour = typedHour(c_.TeMaskEdit5.text(), c_.TeComboBox10.text());
    e.minute = typedMinute(c_.TeMaskEdit5.text());
    const std::string date = c_.DateTimePicker1.text();
    e.day = dateDay(date);
    e.month = dateMonth(date);
    e.year = dateYear(date);
    storeEntry(e.toText());
}

namespace {

Measure chosenMeasure(const std::string& text) {
    return text == kLoadMeasureItems[1] ? Measure::Pressure : Measure::Load;
}

std::int32_t defaultPercent(Measure m) {
    return m == Measure::Pressure ? loadtrigger::kDefaultPressurePercent : loadtrigger::kDefaultPercent;
}

}  // namespace

void TScheduler::LoadButtonClick() {
    LoadTrigger t;
    t.task = triggerTaskCode(c_.TeComboBox11.text());
    t.measure = chosenMeasure(c_.LoadMeasureBox.text());
    // Checked as the schedule thread will read it: a value out of range
    // throws here rather than being stored and skipped.
    t.parseText(t.task + " " + std::to_string(toInt32(c_.LoadPercentEdit.text())) + " " +
                std::to_string(toInt32(c_.LoadCooldownEdit.text())) + " 0" +
                (t.measure == Measure::Pressure ? std::string(" ") + loadtrigger::kPressureWord : std::string()));
    storeLoadTrigger(t.toText());
}

void TScheduler::LoadMeasureBoxChange() {
    // A percent the user left at the other measure's starting point moves to
    // this one's: 90 % is a high load but a pressure programs hardly run under.
    const Measure now = chosenMeasure(c_.LoadMeasureBox.text());
    const Measure other = now == Measure::Pressure ? Measure::Load : Measure::Pressure;
    if (c_.LoadPercentEdit.text() == std::to_string(defaultPercent(other)))
        c_.LoadPercentEdit.setText(std::to_string(defaultPercent(now)));
}

void TScheduler::storeEntry(const std::string& text) { store(platform::kScheduleKey, text); }

void TScheduler::storeLoadTrigger(const std::string& text) { store(platform::kLoadTriggerKey, text); }

void TScheduler::store(const char* key, const std::string& text) {
    platform::RegistryReaderWriter reg;
    openKey(reg, key);
    // The name is picked and the entry written in one step, so two copies
    // adding at once never take the same name. Any value already there, even
    // one too long to read, keeps its name.
    const bool stored = !reg.writeStringUnderFreeNumber(text).empty();
    reloadList();
    if (!stored) platform::messageBox(c_.self.handle(), kNotStored, kErrorCaption);
}

TScheduler::~TScheduler() { c_.TeListView1.setRows(0, nullptr); }

// The key's values are read in one pass, in the order a listing gives them;
// the words of each row are made only when the list shows it.
template <typename Entry>
std::vector<std::string> TScheduler::listKey(const char* key, std::string& firstFailure) {
    std::vector<std::string> names;
    platform::RegistryReaderWriter reg;
    openKey(reg, key);
    Entry entry;
    const RowKind kind = std::is_same_v<Entry, ScheduleEntry> ? RowKind::Timed : RowKind::Load;
    reg.listValues([&](const std::string& name, const std::string& text, bool) {
        names.push_back(name);
        try {
            entry.parseText(text);
        } catch (const ConversionError& e) {
            // Listed all the same, so that Remove can delete it; the rest of
            // the key still shows.
            if (firstFailure.empty()) firstFailure = e.what();
            addRow(RowKind::Unreadable, text);
            return;
        }
        if constexpr (std::is_same_v<Entry, ScheduleEntry>) {
            // It reads, but cannot run: listed as what it does, which is nothing.
            if (const std::string why = entry.fault(); !why.empty()) {
                if (firstFailure.empty()) firstFailure = "Unreadable entry: " + why;
                addRow(RowKind::Unreadable, text);
                return;
            }
        }
        addRow(kind, text);
    });
    return names;
}

void TScheduler::reloadList() {
    rows_.clear();
    rowTexts_.clear();
    std::string firstFailure;
    valueNames = listKey<ScheduleEntry>(platform::kScheduleKey, firstFailure);
    loadTriggerNames = listKey<LoadTrigger>(platform::kLoadTriggerKey, firstFailure);
    showRows();
    if (!firstFailure.empty())
        platform::messageBox(c_.self.handle(), firstFailure, "Kestrune", platform::BoxKind::Error);
}

void TScheduler::showRows() {
    c_.TeListView1.setRows(static_cast<int>(rows_.size()), [this](int row) { return cells(row); });
}

void TScheduler::addRow(RowKind kind, const std::string& text) {
    rowTexts_ += text;
    rows_.emplace_back(rowTexts_.size(), kind);
}

std::pair<std::string, std::string> TScheduler::cells(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
    const auto at = static_cast<std::size_t>(row);
    const std::size_t begin = at == 0 ? 0 : rows_[at - 1].first;
    const std::string text = rowTexts_.substr(begin, rows_[at].first - begin);
    try {
        switch (rows_[at].second) {
            case RowKind::Timed: {
                ScheduleEntry entry;
                entry.parseText(text);
                return {entry.taskTitle(), entry.describe()};
            }
            case RowKind::Load: {
                LoadTrigger trigger;
                trigger.parseText(text);
                // Its cooldown left out: it never runs here, and the words stay within the column.
                if (trigger.measure == Measure::Pressure && !offers_.pressure)
                    return {triggerTaskTitle(trigger.task), trigger.condition() + kNotAvailableHere};
                return {triggerTaskTitle(trigger.task), trigger.describe()};
            }
            case RowKind::Unreadable:
                break;
        }
    } catch (const ConversionError&) {
        // Read whole when it was listed; this never comes.
    }
    return {kUnreadable, text};
}

void TScheduler::addRow(const ScheduleEntry& entry) {
    addRow(RowKind::Timed, entry.toText());
    showRows();
}

void TScheduler::addRow(const LoadTrigger& trigger) {
    addRow(RowKind::Load, trigger.toText());
    showRows();
}

void TScheduler::TeButton3Click() {
    const int selected = c_.TeListView1.selectedRow();
    if (selected < 0) return;
    auto row = static_cast<std::size_t>(selected);
    const char* key = platform::kScheduleKey;
    const std::vector<std::string>* names = &valueNames;
    if (row >= valueNames.size()) {
        row -= valueNames.size();
        key = platform::kLoadTriggerKey;
        names = &loadTriggerNames;
    }
    if (row >= names->size()) return;
    platform::RegistryReaderWriter reg;
    openKey(reg, key);
    const bool removed = reg.deleteValue((*names)[row]);
    reloadList();
    if (!removed) platform::messageBox(c_.self.handle(), kNotRemoved, kErrorCaption);
}

void TScheduler::TeButton2Click() { c_.self.close(); }

}  // namespace kestrune
