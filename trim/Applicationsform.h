#pragma once

#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "trim/SharedActivity.h"
#include "trim/TrimRunner.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

namespace applicationsform {
inline constexpr const char* kCaption = "Applications";
inline constexpr const char* kSystemTitle = "System memory";
inline constexpr const char* kListHeaders[] = {"Application", "In use", "Cache", "In swap", "Idle for"};
inline constexpr int kColumnCount = 5;
inline constexpr int kNameColumn = 0;
inline constexpr int kInUseColumn = 1;
inline constexpr int kCacheColumn = 2;
inline constexpr int kSwapColumn = 3;
inline constexpr int kIdleColumn = 4;
inline constexpr const char* kTrimSelectedCaption = "Trim Selected";
inline constexpr const char* kTrimIdleCaption = "Trim Idle";
inline constexpr const char* kCloseCaption = "Close";
inline constexpr char kTrimSelectedKey = 'S';
inline constexpr char kTrimIdleKey = 'I';
inline constexpr char kCloseKey = 'C';
inline constexpr unsigned kRefreshMs = 2000;
// A figure not known yet, or not told by this system.
inline constexpr const char* kUnknown = "\u2014";
inline constexpr const char* kTrimming = "Trimming ";
inline constexpr const char* kEllipsis = "\u2026";
inline constexpr const char* kWaitingForTrim = "Waiting for another trim to end\u2026";
inline constexpr const char* kCacheNote = "The file cache will be read again from disk when those programs need it.";
inline constexpr const char* kSelfNotTrimmed = "Kestrune never trims its own memory.";
// What a screen reader calls the list.
inline constexpr const char* kListName = "Applications and their memory";
}  // namespace applicationsform

// How long an application has been quiet, as the list shows it: "—" while
// unknown (negative), "under a minute", "5 min", "2 h 5 min", "3 d 4 h".
std::string idleText(std::int64_t seconds);

// The whole system's figures above the list, a line each.
struct SystemTexts {
    std::string memory, swap, pressure;
};
SystemTexts systemTexts(const platform::SystemFigures& f);

// One row of the list: an application and how long it has been quiet (-1:
// unknown).
struct AppRow {
    platform::AppMemory app;
    std::int64_t idle = -1;
};
// Orders the rows by one column: names alphabetically without regard to
// case, figures as numbers, an unknown idle time below every known one; ties
// by name, then by id, so the order never jumps between refreshes.
void sortRows(std::vector<AppRow>& rows, int column, bool ascending);
std::vector<std::string> rowCells(const AppRow& row);

// The Applications window's rules: the system's figures, the session's
// applications in a sortable list refreshed while the window is open, and
// the two trims, which run on the program's one trim runner.
class TApplicationsForm {
public:
    struct Controls {
        platform::Window& self;
        platform::Label& SystemLabel;    // used, cache, available
        platform::Label& SwapLabel;      // swap, and zram where there is some
        platform::Label& PressureLabel;  // memory pressure, and what it means
        platform::Label& CaveatLabel;    // what this system cannot tell
        platform::Table& AppList;
        platform::Panel& AppListShown;
        platform::Label& NoticeLabel;  // in the list's place: why trimming does not work here
        platform::Panel& NoticeShown;
        platform::Label& StatusLabel;  // "Trimming …", then what came back and what it costs later
        platform::Button& TrimSelectedButton;
        platform::Button& TrimIdleButton;
        platform::Timer& RefreshTimer;
    };
    struct Services {
        TrimRunner& runner;  // its applications, activity and clock too
        // The process owning the focused window; 0 where unknown.
        std::function<long()> focusedPid = {};
    };

    TApplicationsForm(const Controls& controls, Services services);
    // A trim of its own still running is stopped.
    ~TApplicationsForm();
    TApplicationsForm(const TApplicationsForm&) = delete;
    TApplicationsForm& operator=(const TApplicationsForm&) = delete;

    void FormShow();
    // Nothing is read once the window has closed; a trim it started stops
    // after its step in progress.
    void FormClose();
    void RefreshTimerTimer();
    void AppListColumnClick(int column);
    void AppListSelectionChange();
    void TrimSelectedButtonClick();
    void TrimIdleButtonClick();
    void CloseButtonClick();

    // The rows as listed, in the list's order.
    const std::vector<AppRow>& rows() const { return rows_; }
    int sortColumn() const { return sortColumn_; }
    bool sortAscending() const { return ascending_; }

private:
    void refresh();
    // Shows rows_, the applications of `selectedIds` selected.
    void showList(const std::vector<std::string>& selectedIds);
    std::vector<std::string> selectedIds() const;
    void updateButtons();
    void startTrim(std::vector<platform::AppMemory> chosen);
    void trimDone(const TrimResult& result, const std::string& failure);

    Controls c_;
    Services s_;
    std::string unavailable_;
    std::vector<AppRow> rows_;
    int sortColumn_ = applicationsform::kInUseColumn;
    bool ascending_ = false;
    TrimRunner::Ticket ticket_ = 0;
};

// The Applications window as its opener holds it: the view with its logic.
// Named after its role, as ProgressWindow and TutorialWindow are, so that it
// is not read as the Win32 view (ApplicationsFormWindow).
class AppListWindow {
public:
    virtual ~AppListWindow() = default;
    virtual TApplicationsForm& form() = 0;
    // Shows it, or brings it to the front where it is shown already.
    virtual void showInFront() = 0;
};

}  // namespace kestrune
