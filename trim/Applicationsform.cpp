#include "trim/Applicationsform.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

namespace kestrune {

using namespace applicationsform;

namespace {

// One decimal, with a point whatever the locale.
std::string oneDecimal(double value) {
    char buffer[32];
    const auto done = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, done.ptr);
}

// What a share of stalled time means to a person.
const char* pressureWord(double percent) {
    if (percent < 0.05) return "none";
    if (percent < 5) return "light";
    if (percent < 20) return "moderate";
    return "heavy";
}

int compareNames(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const auto ends =
        std::mismatch(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
    if (ends.first == a.end()) return ends.second == b.end() ? 0 : -1;
    if (ends.second == b.end()) return 1;
    return lower(*ends.first) < lower(*ends.second) ? -1 : 1;
}

template <typename T>
int compare(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

std::string idleText(std::int64_t seconds) {
    if (seconds < 0) return kUnknown;
    if (seconds < 60) return "under a minute";
    const std::int64_t minutes = seconds / 60;
    if (minutes < 60) return std::to_string(minutes) + " min";
    const std::int64_t hours = minutes / 60;
    if (hours < 24) return std::to_string(hours) + " h " + std::to_string(minutes % 60) + " min";
    return std::to_string(hours / 24) + " d " + std::to_string(hours % 24) + " h";
}

SystemTexts systemTexts(const platform::SystemFigures& f) {
    SystemTexts t;
    if (f.total > 0)
        t.memory = "Used " + megabytes(f.used) + ", file cache " + megabytes(f.cache) + ", available " +
                   megabytes(f.available) + " of " + megabytes(f.total) + ".";
    if (f.swapTotal == 0) {
        t.swap = "Swap: none.";
    } else {
        t.swap = "Swap: " + megabytes(f.swapTotal - std::min(f.swapFree, f.swapTotal)) + " used of " +
                 megabytes(f.swapTotal) + ".";
        if (f.zram)
            t.swap += " Compressed in memory (zram): " + megabytes(f.zramStored) + " stored in " +
                      megabytes(f.zramCompressed) + ".";
    }
    if (f.pressure < 0) {
        t.pressure = "Memory pressure: not told by this system.";
    } else {
        const std::string share = oneDecimal(f.pressure) + " %";
        t.pressure = "Memory pressure: " + share + " (" + pressureWord(f.pressure) + "): ";
        t.pressure += f.pressure < 0.05 ? "no program had to wait for memory in the last 10 seconds."
                                        : "programs waited for memory " + share + " of the last 10 seconds.";
    }
    return t;
}

void sortRows(std::vector<AppRow>& rows, int column, bool ascending) {
    std::sort(rows.begin(), rows.end(), [column, ascending](const AppRow& a, const AppRow& b) {
        int c = 0;
        switch (column) {
            case kNameColumn:
                c = compareNames(a.app.name, b.app.name);
                break;
            case kInUseColumn:
                c = compare(a.app.inUse, b.app.inUse);
                break;
            case kCacheColumn:
                c = compare(a.app.cache, b.app.cache);
                break;
            case kSwapColumn:
                c = compare(a.app.swapped, b.app.swapped);
                break;
            case kIdleColumn:
                c = compare(a.idle, b.idle);
                break;
            default:
                break;
        }
        if (!ascending) c = -c;
        if (c == 0) c = compareNames(a.app.name, b.app.name);
        if (c == 0) c = compare(a.app.id, b.app.id);
        return c < 0;
    });
}

std::vector<std::string> rowCells(const AppRow& row) {
    const platform::AppMemory& a = row.app;
    return {a.name, megabytes(a.inUse), a.splitKnown ? megabytes(a.cache) : kUnknown,
            a.splitKnown ? megabytes(a.swapped) : kUnknown, idleText(row.idle)};
}

TApplicationsForm::TApplicationsForm(const Controls& controls, Services services)
    : c_(controls), s_(std::move(services)) {
    c_.RefreshTimer.setInterval(kRefreshMs);
    c_.RefreshTimer.setEnabled(false);
    c_.AppList.setSortIndicator(sortColumn_, ascending_);
}

TApplicationsForm::~TApplicationsForm() { s_.runner.abandon(ticket_); }

void TApplicationsForm::FormShow() {
    platform::Applications& apps = s_.runner.applications();
    unavailable_ = apps.unavailable();
    c_.CaveatLabel.setText(unavailable_.empty() ? apps.caveat() : std::string());
    c_.NoticeLabel.setText(unavailable_);
    c_.NoticeShown.setVisible(!unavailable_.empty());
    c_.AppListShown.setVisible(unavailable_.empty());
    c_.StatusLabel.setText({});
    refresh();
    c_.RefreshTimer.setEnabled(true);
}

void TApplicationsForm::FormClose() {
    c_.RefreshTimer.setEnabled(false);
    s_.runner.abandon(ticket_);
    ticket_ = 0;
}

void TApplicationsForm::RefreshTimerTimer() { refresh(); }

void TApplicationsForm::refresh() {
    const SystemTexts t = systemTexts(s_.runner.applications().system());
    c_.SystemLabel.setText(t.memory);
    c_.SwapLabel.setText(t.swap);
    c_.PressureLabel.setText(t.pressure);
    if (unavailable_.empty()) {
        const std::time_t now = s_.runner.clock().now();
        std::vector<platform::AppMemory> apps = s_.runner.applications().list(s_.focusedPid ? s_.focusedPid() : 0);
        s_.runner.activity().observe(apps, now);
        const std::vector<std::string> kept = selectedIds();
        rows_.clear();
        for (platform::AppMemory& app : apps) {
            const std::int64_t idle = s_.runner.activity().idleSeconds(app.id, now);
            rows_.push_back({std::move(app), idle});
        }
        sortRows(rows_, sortColumn_, ascending_);
        showList(kept);
    }
    updateButtons();
}

void TApplicationsForm::showList(const std::vector<std::string>& selectedIds) {
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows_.size());
    std::vector<int> select;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        cells.push_back(rowCells(rows_[i]));
        if (std::find(selectedIds.begin(), selectedIds.end(), rows_[i].app.id) != selectedIds.end())
            select.push_back(static_cast<int>(i));
    }
    c_.AppList.setRows(cells);
    c_.AppList.selectRows(select);
}

std::vector<std::string> TApplicationsForm::selectedIds() const {
    std::vector<std::string> ids;
    for (const int row : c_.AppList.selectedRows())
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size())
            ids.push_back(rows_[static_cast<std::size_t>(row)].app.id);
    return ids;
}

void TApplicationsForm::updateButtons() {
    const bool free = unavailable_.empty() && !s_.runner.busy();
    c_.TrimIdleButton.setEnabled(free);
    c_.TrimSelectedButton.setEnabled(free && !c_.AppList.selectedRows().empty());
}

void TApplicationsForm::AppListColumnClick(int column) {
    if (column < 0 || column >= kColumnCount) return;
    const std::vector<std::string> kept = selectedIds();
    // The same column again turns the order round; a new one starts with
    // names from A and figures from the largest.
    ascending_ = column == sortColumn_ ? !ascending_ : column == kNameColumn;
    sortColumn_ = column;
    c_.AppList.setSortIndicator(sortColumn_, ascending_);
    sortRows(rows_, sortColumn_, ascending_);
    showList(kept);
}

void TApplicationsForm::AppListSelectionChange() { updateButtons(); }

void TApplicationsForm::TrimSelectedButtonClick() {
    if (!unavailable_.empty() || s_.runner.busy()) return;
    // By hand: no idle time and no cooldown asked, but never Kestrune itself.
    std::vector<platform::AppMemory> chosen;
    bool self = false;
    for (const int row : c_.AppList.selectedRows()) {
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) continue;
        const platform::AppMemory& app = rows_[static_cast<std::size_t>(row)].app;
        if (app.self)
            self = true;
        else
            chosen.push_back(app);
    }
    if (chosen.empty()) {
        if (self) c_.StatusLabel.setText(kSelfNotTrimmed);
        return;
    }
    startTrim(std::move(chosen));
}

void TApplicationsForm::TrimIdleButtonClick() {
    if (!unavailable_.empty() || s_.runner.busy()) return;
    std::vector<platform::AppMemory> apps;
    apps.reserve(rows_.size());
    for (const AppRow& row : rows_) apps.push_back(row.app);
    const std::time_t now = s_.runner.clock().now();
    std::vector<platform::AppMemory> chosen = s_.runner.activity().idle(apps, now);
    if (chosen.empty()) {
        TrimResult none;
        none.none = s_.runner.activity().whyNoneIdle(apps, now);
        c_.StatusLabel.setText(none.describe());
        return;
    }
    startTrim(std::move(chosen));
}

void TApplicationsForm::startTrim(std::vector<platform::AppMemory> chosen) {
    const std::string first = chosen.front().name;
    ticket_ = s_.runner.start(
        std::move(chosen), {[this](const std::string& name) { c_.StatusLabel.setText(kTrimming + name + kEllipsis); },
                            [this](const TrimResult& r, const std::string& failure) { trimDone(r, failure); },
                            [this] { c_.StatusLabel.setText(kWaitingForTrim); }});
    if (ticket_ == 0) return;  // another trim came first
    c_.StatusLabel.setText(kTrimming + first + kEllipsis);
    updateButtons();
}

void TApplicationsForm::trimDone(const TrimResult& result, const std::string& failure) {
    ticket_ = 0;
    // Said once, after the figure: what dropping the cache costs later.
    c_.StatusLabel.setText(describeTrim(result, failure) +
                           (result.fromCache > 0 ? std::string(" ") + kCacheNote : std::string()));
    refresh();
}

void TApplicationsForm::CloseButtonClick() { c_.self.close(); }

}  // namespace kestrune
