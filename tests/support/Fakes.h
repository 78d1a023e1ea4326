#pragma once

#include "platform/Applications.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"
#include "platform/MessageBox.h"
#include "platform/UiSync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

// Time that moves only when something sleeps, or when the test moves it.
// Local time is UTC, so tests can name the minute they want.
class FakeClock final : public platform::Clock {
public:
    std::uint32_t tickCount() override;
    std::time_t now() override;
    std::tm localTime(std::time_t t) override;
    void sleep(unsigned ms) override;
    // Moves time like sleep(ms) unless the alarm has rung.
    void sleep(unsigned ms, platform::Alarm& alarm) override;

    void advance(unsigned ms);
    void setNow(std::time_t t);
    // Runs after each sleep has moved the time, on the sleeping thread.
    void onSleep(std::function<void(unsigned)> hook);
    std::vector<unsigned> sleeps() const;

private:
    mutable std::mutex mutex_;
    std::uint32_t tick_ = 1000;
    std::int64_t millis_ = 0;  // milliseconds past `now_`
    std::time_t now_ = 1070000000;
    std::vector<unsigned> sleeps_;
    std::function<void(unsigned)> hook_;
};

// UTC calendar time of a date and time, for FakeClock::setNow.
std::time_t utc(int year, int month, int day, int hour, int minute, int second = 0);

// A UI thread that the test pumps by hand: the thread that made it.
class ManualDispatcher final : public platform::UiDispatcher {
public:
    ManualDispatcher() : ui_(std::this_thread::get_id()) {}
    bool onUiThread() const override { return std::this_thread::get_id() == ui_; }

    // Runs what is queued now; returns how many tasks ran.
    int runPending();
    // Pumps until `done` holds or `timeout` passes; false on timeout.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Blocks until something is queued or `timeout` passes.
    bool waitForTask(std::chrono::milliseconds timeout);
    std::size_t queued() const;
    // Refuse from now on, as a loop that has ended.
    void refuse() { refusing_ = true; }

protected:
    bool queue(std::function<void()> task) override;

private:
    std::thread::id ui_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> tasks_;
    std::atomic<bool> refusing_{false};
};

// A memory source whose every sample the test sets.
class FakeMemory final : public platform::MemorySource {
public:
    platform::MemoryStatus sample() override;
    void set(const platform::MemoryStatus& s);
    // Samples to give, one per call, before falling back to the set one.
    void queue(const platform::MemoryStatus& s);

private:
    mutable std::mutex mutex_;
    platform::MemoryStatus status_;
    std::deque<platform::MemoryStatus> next_;
};

// A status in whole megabytes, as the examples are written; its page file is
// apart from the physical memory, as on Windows.
platform::MemoryStatus statusMB(double totalPhys, double availPhys, double totalPage, double availPage,
                                double totalVirt, double availVirt, std::uint32_t load = 0);

// Records every message box instead of showing it; restores on destruction.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    std::vector<platform::BoxCall> calls() const;
    // Runs inside each box, as if while it is on screen.
    void whileShown(std::function<void(const platform::BoxCall&)> f);

private:
    mutable std::mutex mutex_;
    std::vector<platform::BoxCall> calls_;
    std::function<void(const platform::BoxCall&)> during_;
    platform::BoxHandler previous_;
};

class FakeLabel final : public platform::Label {
public:
    void setText(const std::string& t) override { text_ = t; }
    std::string text() const override { return text_; }

private:
    std::string text_;
};

// A drop-down list: its text is one of its items, the first when the items
// change under it.
class FakeDropDown final : public platform::DropDown {
public:
    explicit FakeDropDown(std::vector<std::string> items = {}) : items_(std::move(items)) {
        if (!items_.empty()) text_ = items_.front();
    }
    void setText(const std::string& t) override { text_ = t; }
    std::string text() const override { return text_; }
    void setItems(const std::vector<std::string>& items) override;
    std::vector<std::string> items() const override { return items_; }

private:
    std::vector<std::string> items_;
    std::string text_;
};

class FakeButton final : public platform::Button {
public:
    void setCaption(const std::string& c) override { caption_ = c; }
    std::string caption() const override { return caption_; }
    void setEnabled(bool e) override { enabled_ = e; }
    bool enabled() const override { return enabled_; }
    void takeFocus() override { ++focusTaken; }
    int focusTaken = 0;

private:
    std::string caption_;
    bool enabled_ = true;
};

class FakeProgressBar final : public platform::ProgressBar {
public:
    void setPosition(int p) override { position_ = p; }
    int position() const override { return position_; }

private:
    int position_ = 0;
};

class FakeCheckBox final : public platform::CheckBox {
public:
    void setChecked(bool c) override { checked_ = c; }
    bool checked() const override { return checked_; }

private:
    bool checked_ = false;
};

class FakePanel final : public platform::Panel {
public:
    void setVisible(bool v) override { visible_ = v; }
    bool visible() const override { return visible_; }

private:
    bool visible_ = false;
};

// Asks for every row at once, so that tests see them all.
class FakeListView final : public platform::ListView {
public:
    void setRows(int count, Rows source) override {
        rows.clear();
        for (int i = 0; i < count; ++i) rows.push_back(source(i));
        selected = -1;
    }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    std::string cell(int row, int column) const override {
        return column == 0 ? rows.at(static_cast<std::size_t>(row)).first
                           : rows.at(static_cast<std::size_t>(row)).second;
    }
    int selectedRow() const override { return selected; }
    std::vector<std::pair<std::string, std::string>> rows;
    int selected = -1;
};

// A multi-column list; the test selects rows as the user would.
class FakeTable final : public platform::Table {
public:
    void setRows(const std::vector<std::vector<std::string>>& r) override;
    int rowCount() const override { return static_cast<int>(rows.size()); }
    std::string cell(int row, int column) const override {
        return rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
    }
    std::vector<int> selectedRows() const override { return selected; }
    void selectRows(const std::vector<int>& r) override { selected = r; }
    void setSortIndicator(int column, bool ascending) override { indicator = {column, ascending}; }
    // One column's cells, top to bottom.
    std::vector<std::string> column(int c) const;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> selected;
    std::pair<int, bool> indicator{-1, true};
    int sets = 0;
};

class FakeTimer final : public platform::Timer {
public:
    void setInterval(unsigned ms) override { interval = ms; }
    void setEnabled(bool e) override { enabled_ = e; }
    bool enabled() const override { return enabled_; }
    unsigned interval = 0;

private:
    bool enabled_ = false;
};

class FakePlacement final : public platform::Placement {
public:
    explicit FakePlacement(platform::Rect r = {}) : r_(r) {}
    platform::Rect bounds() const override { return r_; }
    void setBounds(const platform::Rect& r) override { r_ = r; }

private:
    platform::Rect r_;
};

class FakeLineList final : public platform::LineList {
public:
    void addLine(const std::string& line) override { lines_.push_back(line); }
    std::string text() const override;
    void setText(const std::string& text) override;
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

class FakeGraph final : public platform::Graph {
public:
    struct Point {
        platform::TColor color;
        int value;
    };
    void dataPoint(platform::TColor color, int value) override { points.push_back({color, value}); }
    void redraw() override { ++redraws; }
    void setName(const std::string& n) override { name = n; }
    std::vector<Point> points;
    std::string name;
    int redraws = 0;
};

// Records the calls, one text each, such as "fill 0 0 10 10".
class FakeCanvas final : public platform::Canvas {
public:
    void setBrushColor(platform::TColor c) override;
    void setPenColor(platform::TColor c) override;
    void fillRect(int l, int t, int r, int b) override;
    void frameRect(int l, int t, int r, int b) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    std::vector<std::string> calls;
};

class FakeNotifier final : public platform::Notifier {
public:
    void notify(const std::string& title, const std::string& text) override { notices.push_back({title, text}); }
    std::vector<std::pair<std::string, std::string>> notices;
};

class FakeWindow final : public platform::Window {
public:
    explicit FakeWindow(platform::Rect frame = {0, 0, 100, 100}, int screenWidth = 1024, int screenHeight = 768)
        : frame_(frame), screenW_(screenWidth), screenH_(screenHeight) {}
    platform::Rect frame() const override { return frame_; }
    void moveTo(int l, int t) override {
        frame_.left = l;
        frame_.top = t;
    }
    void setFrameHeight(int h) override { frame_.height = h; }
    int clientWidth() const override { return frame_.width - decoration; }
    int clientHeight() const override { return frame_.height - decoration; }
    void setClientSize(int w, int h) override {
        frame_.width = w + decoration;
        frame_.height = h + decoration;
    }
    bool visible() const override { return visible_; }
    void show() override;
    void hide() override { visible_ = false; }
    void close() override;
    void repaintNow() override {
        ++repaints;
        if (onRepaint) onRepaint();
    }
    int screenWidth() const override { return screenW_; }
    int screenHeight() const override { return screenH_; }
    platform::Rect availableArea() const override { return {0, 0, screenW_, screenH_}; }
    platform::WindowHandle handle() const override { return handle_; }

    void setHandle(platform::WindowHandle h) { handle_ = h; }
    // Frame thickness added to the client size on each axis.
    int decoration = 0;
    int repaints = 0;
    int shows = 0;
    std::function<bool()> onClose;  // close query: false keeps it open
    std::function<void()> onShow;
    std::function<void()> onRepaint;

private:
    platform::Rect frame_;
    int screenW_, screenH_;
    bool visible_ = false;
    platform::WindowHandle handle_ = nullptr;
};

// The user's applications as the test sets them. A request takes file cache
// first, then moves anonymous memory to swap while swap has room, as the
// kernel does, and answers Partial when it could not take all that was asked.
// Safe to use from two threads.
class FakeApplications final : public platform::Applications {
public:
    struct Request {
        std::string id;
        std::uint64_t bytes;
    };
    std::string unavailable() const override;
    std::string caveat() const override;
    std::vector<platform::AppMemory> list(long focusedPid) override;
    platform::SystemFigures system() override;
    platform::ReclaimResult reclaim(platform::AppMemory& app, std::uint64_t bytes) override;
    bool refresh(platform::AppMemory& app) override;
    // Waits while another holds the turn (holdTurnElsewhere).
    platform::Result<std::unique_ptr<platform::TrimHold>> takeTurn(const std::atomic<bool>& stop,
                                                                   const std::function<void()>& waiting) override;
    void holdTurnElsewhere(bool held) { elsewhere_ = held; }

    void setUnavailable(std::string why);
    void setCaveat(std::string text);
    // Adds or replaces (by id) an application.
    void put(const platform::AppMemory& app);
    void setSystem(const platform::SystemFigures& figures);
    // The next requests for `id` answer this without taking anything, in order.
    void answer(const std::string& id, platform::ReclaimResult next);
    // Each request takes this share of what it asks, where there is that
    // much (the kernel often takes more than asked); 100 by default.
    void setTakesPercent(unsigned percent);
    // The application ends: it is no longer listed, read or trimmed.
    void end(const std::string& id);
    // Runs inside each request, before it takes anything.
    void onReclaim(std::function<void(const Request&)> hook);
    std::vector<Request> requests() const;
    long lastFocusedPid() const;

private:
    mutable std::mutex mutex_;
    std::string unavailable_, caveat_;
    std::vector<platform::AppMemory> apps_;
    platform::SystemFigures system_;
    std::map<std::string, std::deque<platform::ReclaimResult>> answers_;
    std::atomic<bool> elsewhere_{false};
    std::vector<Request> requests_;
    std::function<void(const Request&)> hook_;
    long focusedPid_ = 0;
    unsigned takesPercent_ = 100;
};

// An application as the fake lists it, in whole MiB.
platform::AppMemory appMB(const std::string& id, const std::string& name, std::uint64_t cacheMB, std::uint64_t anonMB,
                          std::uint64_t cpuMicros = 0);

}  // namespace testsupport
