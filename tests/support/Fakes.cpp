#include "support/Fakes.h"

#include <algorithm>
#include <chrono>
#include <sstream>

namespace testsupport {

std::uint32_t FakeClock::tickCount() {
    std::lock_guard lock(mutex_);
    return tick_;
}

std::time_t FakeClock::now() {
    std::lock_guard lock(mutex_);
    return now_ + static_cast<std::time_t>(millis_ / 1000);
}

std::tm FakeClock::localTime(std::time_t t) {
    // By <chrono>'s calendar: gmtime_r and timegm are not on every system.
    using namespace std::chrono;
    const sys_seconds at{seconds{t}};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    std::tm out{};
    out.tm_year = static_cast<int>(date.year()) - 1900;
    out.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    out.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    out.tm_hour = static_cast<int>(time.hours().count());
    out.tm_min = static_cast<int>(time.minutes().count());
    out.tm_sec = static_cast<int>(time.seconds().count());
    out.tm_wday = static_cast<int>(weekday{day}.c_encoding());
    out.tm_yday = static_cast<int>((day - sys_days{date.year() / January / 1}).count());
    return out;
}

void FakeClock::sleep(unsigned ms) {
    std::function<void(unsigned)> hook;
    {
        std::lock_guard lock(mutex_);
        tick_ += ms;
        millis_ += ms;
        sleeps_.push_back(ms);
        hook = hook_;
    }
    if (hook) hook(ms);
    if (ms == 0) std::this_thread::yield();
}

void FakeClock::sleep(unsigned ms, platform::Alarm& alarm) {
    if (alarm.rung()) return;
    sleep(ms);
}

void FakeClock::advance(unsigned ms) {
    std::lock_guard lock(mutex_);
    tick_ += ms;
    millis_ += ms;
}

void FakeClock::setNow(std::time_t t) {
    std::lock_guard lock(mutex_);
    now_ = t;
    millis_ = 0;
}

void FakeClock::onSleep(std::function<void(unsigned)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<unsigned> FakeClock::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    // Out-of-range months and days carry over, as with timegm.
    const year_month first = std::chrono::year{year} / January + months{month - 1};
    const sys_seconds at = sys_days{first / 1} + days{day - 1} + hours{hour} + minutes{minute} + seconds{second};
    return static_cast<std::time_t>(at.time_since_epoch().count());
}

bool ManualDispatcher::queue(std::function<void()> task) {
    if (refusing_) return false;
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    arrived_.notify_all();
    return true;
}

int ManualDispatcher::runPending() {
    std::deque<std::function<void()>> now;
    {
        std::lock_guard lock(mutex_);
        now.swap(tasks_);
    }
    int n = 0;
    for (auto& t : now) {
        t();
        ++n;
    }
    return n;
}

bool ManualDispatcher::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (runPending() == 0) waitForTask(std::chrono::milliseconds(1));
    }
    return true;
}

bool ManualDispatcher::waitForTask(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
}

std::size_t ManualDispatcher::queued() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

platform::MemoryStatus FakeMemory::sample() {
    std::lock_guard lock(mutex_);
    if (!next_.empty()) {
        const platform::MemoryStatus s = next_.front();
        next_.pop_front();
        return s;
    }
    return status_;
}

void FakeMemory::set(const platform::MemoryStatus& s) {
    std::lock_guard lock(mutex_);
    status_ = s;
}

void FakeMemory::queue(const platform::MemoryStatus& s) {
    std::lock_guard lock(mutex_);
    next_.push_back(s);
}

platform::MemoryStatus statusMB(double totalPhys, double availPhys, double totalPage, double availPage,
                                double totalVirt, double availVirt, std::uint32_t load) {
    auto b = [](double mb) { return static_cast<std::uint64_t>(mb * 1048576.0); };
    return {load,         b(totalPhys), b(availPhys), b(totalPage), b(availPage),
            b(totalVirt), b(availVirt), b(availPage), b(totalPage)};
}

BoxRecorder::BoxRecorder() {
    previous_ = platform::setMessageBoxHandler([this](const platform::BoxCall& c) {
        std::function<void(const platform::BoxCall&)> during;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(c);
            during = during_;
        }
        if (during) during(c);
    });
}

BoxRecorder::~BoxRecorder() { platform::setMessageBoxHandler(previous_); }

std::vector<platform::BoxCall> BoxRecorder::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void BoxRecorder::whileShown(std::function<void(const platform::BoxCall&)> f) {
    std::lock_guard lock(mutex_);
    during_ = std::move(f);
}

std::string FakeLineList::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += '\n';
        out += lines_[i];
    }
    return out;
}

void FakeLineList::setText(const std::string& text) {
    lines_.clear();
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines_.push_back(line);
    if (!text.empty() && text.back() == '\n') lines_.emplace_back();
}

namespace {
std::string hex(platform::TColor c) {
    std::ostringstream s;
    s << std::hex << c;
    return s.str();
}
std::string four(const char* what, int a, int b, int c, int d) {
    return std::string(what) + " " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " +
           std::to_string(d);
}
}  // namespace

void FakeCanvas::setBrushColor(platform::TColor c) { calls.push_back("brush " + hex(c)); }
void FakeCanvas::setPenColor(platform::TColor c) { calls.push_back("pen " + hex(c)); }
void FakeCanvas::fillRect(int l, int t, int r, int b) { calls.push_back(four("fill", l, t, r, b)); }
void FakeCanvas::frameRect(int l, int t, int r, int b) { calls.push_back(four("frame", l, t, r, b)); }
void FakeCanvas::moveTo(int x, int y) { calls.push_back("move " + std::to_string(x) + " " + std::to_string(y)); }
void FakeCanvas::lineTo(int x, int y) { calls.push_back("line " + std::to_string(x) + " " + std::to_string(y)); }

void FakeWindow::show() {
    visible_ = true;
    ++shows;
    if (onShow) onShow();
}

void FakeWindow::close() {
    if (!onClose || onClose()) visible_ = false;
}

void FakeDropDown::setItems(const std::vector<std::string>& items) {
    items_ = items;
    if (std::find(items_.begin(), items_.end(), text_) == items_.end()) text_ = items_.empty() ? "" : items_.front();
}

void FakeTable::setRows(const std::vector<std::vector<std::string>>& r) {
    rows = r;
    ++sets;
    // As a real list: rows that are gone cannot stay selected.
    std::erase_if(selected, [&](int row) { return row >= rowCount(); });
}

std::vector<std::string> FakeTable::column(int c) const {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(row.at(static_cast<std::size_t>(c)));
    return out;
}

std::string FakeApplications::unavailable() const {
    std::lock_guard lock(mutex_);
    return unavailable_;
}

std::string FakeApplications::caveat() const {
    std::lock_guard lock(mutex_);
    return caveat_;
}

std::vector<platform::AppMemory> FakeApplications::list(long focusedPid) {
    std::lock_guard lock(mutex_);
    focusedPid_ = focusedPid;
    return unavailable_.empty() ? apps_ : std::vector<platform::AppMemory>{};
}

platform::SystemFigures FakeApplications::system() {
    std::lock_guard lock(mutex_);
    return system_;
}

platform::ReclaimResult FakeApplications::reclaim(platform::AppMemory& app, std::uint64_t bytes) {
    std::function<void(const Request&)> hook;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({app.id, bytes});
        hook = hook_;
    }
    if (hook) hook({app.id, bytes});
    std::lock_guard lock(mutex_);
    auto& queued = answers_[app.id];
    if (!queued.empty()) {
        platform::ReclaimResult next = queued.front();
        queued.pop_front();
        return next;
    }
    const auto it = std::find_if(apps_.begin(), apps_.end(), [&](const auto& a) { return a.id == app.id; });
    if (it == apps_.end()) return platform::Reclaim::Gone;
    if (it->self) return platform::Reclaim::Protected;
    const std::uint64_t takes = bytes / 100 * takesPercent_ + bytes % 100 * takesPercent_ / 100;
    const std::uint64_t fromCache = std::min(takes, it->cache);
    const std::uint64_t swapRoom = std::min(system_.swapFree, system_.swapTotal);
    const std::uint64_t toSwap = std::min({takes - fromCache, it->anon, swapRoom});
    it->cache -= fromCache;
    it->anon -= toSwap;
    it->swapped += toSwap;
    it->inUse -= fromCache + toSwap;
    system_.swapFree -= toSwap;
    app = *it;
    return fromCache + toSwap < bytes ? platform::Reclaim::Partial : platform::Reclaim::Done;
}

bool FakeApplications::refresh(platform::AppMemory& app) {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(apps_.begin(), apps_.end(), [&](const auto& a) { return a.id == app.id; });
    if (it == apps_.end()) return false;
    app = *it;
    return true;
}

void FakeApplications::setUnavailable(std::string why) {
    std::lock_guard lock(mutex_);
    unavailable_ = std::move(why);
}

void FakeApplications::setCaveat(std::string text) {
    std::lock_guard lock(mutex_);
    caveat_ = std::move(text);
}

void FakeApplications::put(const platform::AppMemory& app) {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(apps_.begin(), apps_.end(), [&](const auto& a) { return a.id == app.id; });
    if (it != apps_.end())
        *it = app;
    else
        apps_.push_back(app);
}

void FakeApplications::setSystem(const platform::SystemFigures& figures) {
    std::lock_guard lock(mutex_);
    system_ = figures;
}

platform::Result<std::unique_ptr<platform::TrimHold>> FakeApplications::takeTurn(const std::atomic<bool>& stop,
                                                                                 const std::function<void()>& waiting) {
    if (elsewhere_ && waiting) waiting();
    while (elsewhere_) {
        if (stop) return std::unique_ptr<platform::TrimHold>();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::make_unique<platform::TrimHold>();
}

void FakeApplications::answer(const std::string& id, platform::ReclaimResult next) {
    std::lock_guard lock(mutex_);
    answers_[id].push_back(std::move(next));
}

void FakeApplications::setTakesPercent(unsigned percent) {
    std::lock_guard lock(mutex_);
    takesPercent_ = percent;
}

void FakeApplications::end(const std::string& id) {
    std::lock_guard lock(mutex_);
    apps_.erase(std::remove_if(apps_.begin(), apps_.end(), [&](const auto& a) { return a.id == id; }), apps_.end());
}

void FakeApplications::onReclaim(std::function<void(const Request&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<FakeApplications::Request> FakeApplications::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

long FakeApplications::lastFocusedPid() const {
    std::lock_guard lock(mutex_);
    return focusedPid_;
}

platform::AppMemory appMB(const std::string& id, const std::string& name, std::uint64_t cacheMB, std::uint64_t anonMB,
                          std::uint64_t cpuMicros) {
    constexpr std::uint64_t kMiB = 1048576;
    platform::AppMemory a;
    a.id = id;
    a.name = name;
    a.cache = cacheMB * kMiB;
    a.anon = anonMB * kMiB;
    a.inUse = a.cache + a.anon;
    a.splitKnown = true;
    a.cpuMicros = cpuMicros;
    return a;
}

}  // namespace testsupport
