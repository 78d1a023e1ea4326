#include "trim/Trim.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <string_view>

namespace kestrune {
namespace {

using platform::AppMemory;
using platform::kBytesPerMB;
using platform::Reclaim;

std::uint64_t less(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

// Anonymous memory that went to swap between two readings. Where the system
// keeps no swap account, the fall in anonymous memory is all there is to go by.
std::uint64_t movedToSwap(const AppMemory& before, const AppMemory& after) {
    return std::max(less(after.swapped, before.swapped), less(before.anon, after.anon));
}

void account(TrimResult& r, const AppMemory& before, const AppMemory& after) {
    r.freed += less(before.inUse, after.inUse);
    r.fromCache += less(before.cache, after.cache);
    r.toSwap += movedToSwap(before, after);
}

bool candidate(const AppMemory& a) { return !a.self && !a.focused; }

template <typename Int>
bool takeNumber(std::string_view& text, Int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    if (ec != std::errc() || end == text.data() + text.size() || *end != ' ') return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

}  // namespace

void ActivityTracker::observe(const std::vector<AppMemory>& apps, std::time_t now) {
    std::map<std::string, Seen> next;
    for (const AppMemory& app : apps) {
        const auto known = apps_.find(app.id);
        Seen s = known != apps_.end() ? known->second : Seen{};
        const std::int64_t elapsed = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(s.at);
        if (s.at < 0) {
            // First sight: a reading to compare the next one with, nothing more.
        } else if (app.cpuMicros < s.cpu || elapsed < 0) {
            // A process ended or started (or the clock went back): what it
            // did meanwhile cannot be told, so it does not count as quiet.
            s.quietSince = now;
            s.credit = trim::kIdleCpuMicrosPerMinute;
        } else if (elapsed == 0) {
            next[app.id] = s;  // no time to judge by: compare the next reading with the earlier one
            continue;
        } else {
            const std::uint64_t used = app.cpuMicros - s.cpu;
            const std::uint64_t earned = trim::kIdleCpuMicrosPerMinute * static_cast<std::uint64_t>(elapsed) / 60;
            // Over a long interval the average rate is all there is to judge
            // by; over short ones unspent allowance carries over, up to a minute's.
            const std::uint64_t allowed = std::max(std::min(trim::kIdleCpuMicrosPerMinute, s.credit + earned), earned);
            if (used <= allowed) {
                if (s.quietSince < 0) s.quietSince = s.at;
                s.credit = std::min(trim::kIdleCpuMicrosPerMinute, allowed - used);
            } else {
                s.quietSince = now;
                s.credit = 0;
            }
        }
        s.cpu = app.cpuMicros;
        s.at = now;
        next[app.id] = s;
    }
    apps_ = std::move(next);
}

std::int64_t ActivityTracker::idleSeconds(const std::string& id, std::time_t now) const {
    const auto it = apps_.find(id);
    if (it == apps_.end() || it->second.quietSince < 0) return -1;
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(now - it->second.quietSince));
}

void ActivityTracker::trimmed(const std::string& id, std::time_t now) { apps_[id].lastTrim = now; }

bool ActivityTracker::coolingDown(const std::string& id, std::time_t now) const {
    const auto it = apps_.find(id);
    if (it == apps_.end() || it->second.lastTrim < 0) return false;
    // Within the cooldown either way: a clock set back ends it no later than
    // one set forward would.
    const std::int64_t since = static_cast<std::int64_t>(now - it->second.lastTrim);
    return since < trim::kCooldownSeconds && since > -trim::kCooldownSeconds;
}

std::string ActivityTracker::toText() const {
    std::ostringstream out;
    for (const auto& [id, s] : apps_) {
        if (id.empty() || id.find_first_of("\r\n") != std::string::npos) continue;  // cannot be read back
        out << s.cpu << ' ' << s.at << ' ' << s.quietSince << ' ' << s.lastTrim << ' ' << s.credit << ' ' << id << '\n';
    }
    return out.str();
}

void ActivityTracker::parseText(const std::string& text) {
    apps_.clear();
    std::string_view all(text);
    while (!all.empty()) {
        const std::size_t end = all.find('\n');
        std::string_view line = all.substr(0, end);
        all = end == std::string_view::npos ? std::string_view{} : all.substr(end + 1);
        Seen s;
        std::int64_t at = 0, quietSince = 0, lastTrim = 0;
        if (!takeNumber(line, s.cpu) || !takeNumber(line, at) || !takeNumber(line, quietSince) ||
            !takeNumber(line, lastTrim) || !takeNumber(line, s.credit) || line.empty())
            continue;
        if (at < -1 || quietSince < -1 || lastTrim < -1) continue;
        s.at = static_cast<std::time_t>(at);
        s.quietSince = static_cast<std::time_t>(quietSince);
        s.lastTrim = static_cast<std::time_t>(lastTrim);
        s.credit = std::min(s.credit, trim::kIdleCpuMicrosPerMinute);
        apps_[std::string(line)] = s;
    }
}

std::vector<AppMemory> idleApplications(const std::vector<AppMemory>& apps, const ActivityTracker& tracker,
                                        std::time_t now) {
    std::vector<AppMemory> out;
    for (const AppMemory& a : apps)
        if (candidate(a) && tracker.idleSeconds(a.id, now) >= trim::kIdleSeconds && !tracker.coolingDown(a.id, now))
            out.push_back(a);
    return out;
}

std::vector<AppMemory> allApplications(const std::vector<AppMemory>& apps) {
    std::vector<AppMemory> out;
    std::copy_if(apps.begin(), apps.end(), std::back_inserter(out), candidate);
    return out;
}

std::string whyNoneIdle(const std::vector<AppMemory>& apps, const ActivityTracker& tracker, std::time_t now) {
    bool any = false, known = false, idleButCooling = false;
    for (const AppMemory& a : apps) {
        if (!candidate(a)) continue;
        any = true;
        const std::int64_t idle = tracker.idleSeconds(a.id, now);
        known = known || idle >= 0;
        idleButCooling = idleButCooling || (idle >= trim::kIdleSeconds && tracker.coolingDown(a.id, now));
    }
    const std::string minutes = std::to_string(trim::kIdleSeconds / 60) + " minutes";
    if (!any) return "no other application is running in this session";
    if (!known) return "nothing is known to be idle yet (an application must be seen quiet for " + minutes + ")";
    if (idleButCooling)
        return "the idle applications were trimmed less than " + std::to_string(trim::kCooldownSeconds / 60) +
               " minutes ago";
    return "no application has been idle for " + minutes + " yet";
}

std::string megabytes(std::uint64_t bytes) {
    return platform::GroupThousands(std::to_string(bytes / kBytesPerMB)) + " MB";
}

std::string TrimResult::describe() const {
    std::string line = "Trimmed " + megabytes(freed);
    const std::string reserve = megabytes(trim::kSwapReserveBytes) + " of swap free";
    bool guardSaid = false;
    if (freed >= kBytesPerMB) {
        std::vector<std::string> parts;
        if (splitKnown) {
            const std::uint64_t other = less(freed, fromCache + toSwap);
            if (fromCache >= kBytesPerMB) parts.push_back(megabytes(fromCache) + " of file cache");
            if (toSwap >= kBytesPerMB) parts.push_back(megabytes(toSwap) + " moved to swap");
            if (other >= kBytesPerMB) parts.push_back(megabytes(other) + " of other memory");
        }
        for (std::size_t i = 0; i < parts.size(); ++i) line += (i == 0 ? ": " : ", ") + parts[i];
    } else if (!none.empty()) {
        line += ": " + none;
    } else if (swapGuard && trimmedIds.empty()) {
        line += ": swap is too full, a trim would leave less than " + reserve;
        guardSaid = true;
    } else if (trimmedIds.empty() && (!skipped.empty() || !failures.empty())) {
        line += ": no application chosen could be trimmed";
    } else if (trimmedIds.empty()) {
        line += stopped ? ": stopped before the first application" : ": no application was chosen";
    } else if (freed > 0) {
        line += ": less than 1 MB came back";
    } else {
        line += ": the system found nothing it could take back";
    }
    line += '.';
    if (swapGuard && !guardSaid) line += " Stopped to keep " + reserve + ".";
    if (stopped && !trimmedIds.empty()) line += " Stopped before the end.";
    for (std::size_t i = 0; i < skipped.size(); ++i)
        line += (i == 0 ? " Skipped: " : ", ") + skipped[i].name + " (" + skipped[i].why + ")";
    if (!skipped.empty()) line += '.';
    for (const std::string& f : failures) line += " " + f + ".";
    return line;
}

void addTrim(TrimResult& total, const TrimResult& more) {
    total.freed += more.freed;
    total.fromCache += more.fromCache;
    total.toSwap += more.toSwap;
    total.splitKnown = total.splitKnown && more.splitKnown;
    total.trimmedIds.insert(total.trimmedIds.end(), more.trimmedIds.begin(), more.trimmedIds.end());
    total.skipped.insert(total.skipped.end(), more.skipped.begin(), more.skipped.end());
    total.failures.insert(total.failures.end(), more.failures.begin(), more.failures.end());
    total.swapGuard = total.swapGuard || more.swapGuard;
    total.stopped = total.stopped || more.stopped;
}

std::string describeTrim(const TrimResult& result, const std::string& failure) {
    return failure.empty() ? result.describe() : result.describe() + " The trim stopped early: " + failure;
}

TrimResult trimApplications(platform::Applications& system, const std::vector<AppMemory>& apps,
                            const std::atomic<bool>& stop, const TrimProgress& progress) {
    TrimResult r;
    for (const AppMemory& chosen : apps) {
        if (stop) {
            r.stopped = true;
            break;
        }
        if (chosen.self) continue;
        AppMemory app = chosen;
        if (!system.refresh(app)) {
            r.skipped.push_back({app.name, "gone"});
            continue;
        }
        r.splitKnown = r.splitKnown && app.splitKnown;
        const AppMemory before = app;
        // What the kernel can take: the file cache, and the anonymous memory
        // where there is swap for it. Asking for more (kernel memory, or
        // anonymous memory with nowhere to go) only sends the kernel searching
        // in vain before it answers that it took less. It often takes more
        // than asked, so each step asks for what is left then, and all the
        // steps together for no more than there was at first.
        const bool swap = system.system().swapTotal > 0;
        const auto left = [swap](const AppMemory& a) { return a.splitKnown ? a.cache + (swap ? a.anon : 0) : a.inUse; };
        const std::uint64_t target = left(app);
        std::uint64_t asked = 0, lastMoved = 0;
        bool acted = false;
        const char* skip = nullptr;
        std::string failure;
        while (asked < target && left(app) > 0) {
            if (stop) {
                r.stopped = true;
                break;
            }
            const std::uint64_t step = std::min({trim::kStepBytes, target - asked, left(app)});
            // What this step could move to swap: at first all of it, as far as
            // the application's anonymous memory goes; then as much as the
            // last step moved, or what its file cache can no longer cover.
            if (app.splitKnown) {
                const std::uint64_t could =
                    std::min(app.anon, acted ? std::max(lastMoved, less(step, app.cache)) : step);
                const platform::SystemFigures sys = system.system();
                if (could > 0 && sys.swapTotal > 0 &&
                    (sys.swapFree < trim::kSwapReserveBytes || sys.swapFree - trim::kSwapReserveBytes < could)) {
                    r.swapGuard = true;
                    break;
                }
            }
            const AppMemory previous = app;
            const platform::ReclaimResult got = system.reclaim(app, step);
            if (got.outcome != Reclaim::Done && got.outcome != Reclaim::Partial) {
                app = previous;  // what it gave before this step is all that is known
                switch (got.outcome) {
                    case Reclaim::Gone:
                        skip = "gone";
                        break;
                    case Reclaim::Refused:
                        skip = "not permitted";
                        break;
                    case Reclaim::Protected:
                        skip = "never trimmed";
                        break;
                    default:
                        failure = got.error;
                        break;
                }
                break;
            }
            acted = true;
            asked += step;
            lastMoved = movedToSwap(previous, app);
            if (progress) {
                TrimResult sofar = r;
                account(sofar, before, app);
                progress(app, sofar);
            }
            // The kernel took less than asked: it has nothing more to give now.
            if (got == Reclaim::Partial) break;
            // A step that freed nothing (the memory came straight back, or the
            // system trims all at once): asking again would not either.
            if (app.inUse >= previous.inUse) break;
        }
        if (acted) {
            r.trimmedIds.push_back(app.id);
            account(r, before, app);
        } else if (skip != nullptr) {
            r.skipped.push_back({app.name, skip});
        }
        if (!failure.empty()) r.failures.push_back(failure);
        if (r.swapGuard || r.stopped) break;
    }
    return r;
}

}  // namespace kestrune
