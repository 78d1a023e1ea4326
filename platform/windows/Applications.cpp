// The user's applications on Windows: their own processes, grouped by
// executable, and their working sets, which a user may hand back to the
// system for any process of their own without elevation.
#include "platform/windows/Applications.h"

#include "platform/MemoryStatus.h"
#include "platform/windows/Text.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform {
namespace winapps {

std::vector<AppMemory> group(const std::vector<ProcessSample>& processes, unsigned long selfPid,
                             unsigned long focusedPid) {
    std::map<std::string, AppMemory> byKey;
    for (const ProcessSample& p : processes) {
        if (p.key.empty()) continue;
        AppMemory& app = byKey[p.key];
        if (app.id.empty()) {
            app.id = p.key;
            app.name = p.name.empty() ? fileName(p.key) : p.name;
            const std::size_t slash = p.key.find_last_of("\\/");
            if (slash != std::string::npos) app.detail = fileName(std::string_view(p.key).substr(0, slash));
        }
        app.inUse += p.workingSet;
        app.cpuMicros += p.cpuMicros;
        app.self = app.self || (selfPid != 0 && p.pid == selfPid);
        app.focused = app.focused || (focusedPid != 0 && p.pid == focusedPid);
    }
    std::vector<AppMemory> out;
    out.reserve(byKey.size());
    for (auto& entry : byKey) out.push_back(std::move(entry.second));
    distinguish(out);
    return out;
}

Reclaim combine(const std::vector<Reclaim>& outcomes) {
    const auto any = [&](Reclaim r) { return std::find(outcomes.begin(), outcomes.end(), r) != outcomes.end(); };
    if (any(Reclaim::Done) || any(Reclaim::Partial)) return Reclaim::Done;
    if (any(Reclaim::Refused)) return Reclaim::Refused;
    if (any(Reclaim::Failed)) return Reclaim::Failed;
    return Reclaim::Gone;
}

Reclaim settle(Reclaim outcome, std::uint64_t before, std::uint64_t after, std::uint64_t asked) {
    if (outcome != Reclaim::Done) return outcome;
    const std::uint64_t took = before > after ? before - after : 0;
    return took < asked ? Reclaim::Partial : Reclaim::Done;
}

std::string fileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace winapps

namespace {

// Reading a process's figures, and trimming its working set.
constexpr DWORD kAccess = PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_SET_QUOTA;

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string systemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text != nullptr ? text : L"", length);
    if (text != nullptr) LocalFree(text);
    while (!words.empty() && (iswspace(words.back()) || words.back() == L'.')) words.pop_back();
    if (words.empty()) return "error " + std::to_string(error);
    return windows::utf8(words);
}

// `what`, then the system's words for `error`, as one sentence.
Error systemError(const std::string& what, DWORD error) {
    return {what + systemText(error) + ".", static_cast<int>(error)};
}

// The turn to trim, given back on the thread that took it.
class MutexHold final : public TrimHold {
public:
    explicit MutexHold(Handle mutex) : mutex_(std::move(mutex)) {}
    ~MutexHold() override { ReleaseMutex(mutex_.get()); }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;

private:
    Handle mutex_;
};

// The executable's full path, as the system names it and case-folded.
bool imagePath(HANDLE process, std::wstring& path, std::string& key) {
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (!QueryFullProcessImageNameW(process, 0, buffer, &size) || size == 0) return false;
    path.assign(buffer, size);
    std::wstring folded = path;
    CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    key = windows::utf8(folded);
    return !key.empty();
}

bool running(HANDLE process) {
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
}

// A process's working set and CPU time; false when it has ended.
bool readFigures(HANDLE process, winapps::ProcessSample& p) {
    if (!running(process)) return false;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory)) return false;
    p.workingSet = memory.WorkingSetSize;
    FILETIME created{}, exited{}, kernel{}, user{};
    p.cpuMicros = 0;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        p.cpuMicros = (ticks(kernel) + ticks(user)) / 10;  // 100 ns ticks
    }
    return true;
}

// A process as the system's list of them tells it.
struct Listed {
    DWORD pid = 0;
    DWORD session = 0;
    std::uint64_t created = 0;  // with the id, which the system reuses, one process
    std::uint64_t workingSet = 0;
    std::uint64_t cpuMicros = 0;
};

// Every process now running and its figures, from one call. The list is
// read every ten seconds with no window open: opening each process and
// asking it in turn costs several calls to the kernel a process (under Wine,
// each a round trip to its server), the one list a single one.
std::vector<Listed> processList() {
    constexpr NTSTATUS kTooSmall = static_cast<NTSTATUS>(0xC0000004L);  // STATUS_INFO_LENGTH_MISMATCH
    std::vector<Listed> out;
    std::vector<std::uint64_t> buffer(16384);  // 128 KiB, aligned for the records
    for (int tries = 0; tries < 8; ++tries) {
        ULONG needed = 0;
        const std::size_t size = buffer.size() * sizeof buffer[0];
        const auto bytes = static_cast<ULONG>(size);
        const NTSTATUS status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(), bytes, &needed);
        if (status == kTooSmall) {
            // Processes may start before the next try: room for some more.
            buffer.resize((std::max<std::size_t>(needed, bytes) + 65536) / sizeof buffer[0]);
            continue;
        }
        if (status < 0) return out;
        const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(at);
            const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId));
            if (pid != 0)
                out.push_back({pid, p->SessionId, static_cast<std::uint64_t>(p->CreateTime.QuadPart),
                               p->VirtualMemoryCounters.WorkingSetSize,
                               static_cast<std::uint64_t>(p->UserTime.QuadPart + p->KernelTime.QuadPart) / 10});
            if (p->NextEntryOffset == 0) break;
            at += p->NextEntryOffset;
        }
        return out;
    }
    return out;
}

// The processes now running, by id.
std::vector<DWORD> processIds() {
    std::vector<DWORD> ids;
    for (const Listed& p : processList()) ids.push_back(p.pid);
    return ids;
}

// The version resource's description of an executable; empty where it has none.
std::string fileDescription(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> info(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return {};
    struct Translation {
        WORD language, codePage;
    };
    std::vector<Translation> tried;
    Translation* listed = nullptr;
    UINT listedBytes = 0;
    if (VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&listed), &listedBytes) &&
        listed != nullptr)
        tried.assign(listed, listed + listedBytes / sizeof(Translation));
    // Where the resource lists no language: US English, Unicode or Western.
    tried.push_back({0x0409, 0x04B0});
    tried.push_back({0x0409, 0x04E4});
    for (const Translation& t : tried) {
        wchar_t query[64];
        wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\FileDescription", t.language, t.codePage);
        wchar_t* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&text), &length) || text == nullptr ||
            length == 0)
            continue;
        std::wstring description(text, wcsnlen(text, length));
        while (!description.empty() && iswspace(description.back())) description.pop_back();
        if (!description.empty()) return windows::utf8(description);
    }
    return {};
}

// A process opened for reading and trimming, and what it is; its figures
// where the caller reads them.
struct Opened {
    Handle handle;
    winapps::ProcessSample sample;
    std::wstring path;
};

// The process `pid` if it is this user's own in this session and one this
// user may trim. Another user's, a service's or an elevated program's
// process refuses the rights.
bool open(DWORD pid, DWORD session, Opened& out) {
    DWORD itsSession = 0;
    if (!ProcessIdToSessionId(pid, &itsSession) || itsSession != session) return false;
    out.handle.reset(OpenProcess(kAccess, FALSE, pid));
    if (!out.handle) return false;
    out.sample.pid = pid;
    return imagePath(out.handle.get(), out.path, out.sample.key);
}

DWORD thisSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

class ProcessApplications final : public Applications {
public:
    std::string unavailable() const override { return {}; }
    std::string caveat() const override { return {}; }

    std::vector<AppMemory> list(long focusedPid) override {
        std::vector<winapps::ProcessSample> samples;
        const DWORD session = thisSession();
        const std::lock_guard lock(knownMutex_);
        std::map<DWORD, Known> seen;
        for (const Listed& listed : processList()) {
            if (listed.session != session) continue;
            // A process is opened once, when first seen, to learn what it
            // runs and whether this user may trim it; its figures come from
            // the list each time.
            Known& k = seen[listed.pid];
            const auto known = known_.find(listed.pid);
            if (known != known_.end() && known->second.created == listed.created) {
                k = std::move(known->second);
            } else {
                k.created = listed.created;
                Opened p;
                if (open(listed.pid, session, p)) {
                    k.ours = true;
                    k.key = p.sample.key;
                    k.name = nameOf(p.sample.key, p.path);
                }
            }
            if (k.ours) samples.push_back({listed.pid, k.key, k.name, listed.workingSet, listed.cpuMicros});
        }
        known_ = std::move(seen);  // those that ended are forgotten
        return winapps::group(samples, GetCurrentProcessId(), focused(focusedPid));
    }

    SystemFigures system() override {
        SystemFigures s;
        MEMORYSTATUSEX m{};
        m.dwLength = sizeof m;
        if (!GlobalMemoryStatusEx(&m)) return s;
        s.total = m.ullTotalPhys;
        s.available = std::min(m.ullAvailPhys, s.total);
        s.used = s.total - s.available;
        PERFORMANCE_INFORMATION perf{};
        perf.cb = sizeof perf;
        if (GetPerformanceInfo(&perf, sizeof perf)) {
            const std::uint64_t page = perf.PageSize;
            // The standby list and the system's working set: what the system
            // keeps of files, and gives up first.
            s.cache = std::min<std::uint64_t>(static_cast<std::uint64_t>(perf.SystemCache) * page, s.total);
            // What the commit limit holds beyond memory is the page files.
            const std::uint64_t limit = static_cast<std::uint64_t>(perf.CommitLimit) * page;
            const std::uint64_t physical = static_cast<std::uint64_t>(perf.PhysicalTotal) * page;
            const std::uint64_t committed = static_cast<std::uint64_t>(perf.CommitTotal) * page;
            // A difference under a megabyte is the two counts' rounding, not a page file.
            if (limit > physical + kBytesPerMB) {
                s.swapTotal = limit - physical;
                // Committed memory beyond what memory holds can only be in
                // the page files: a floor under what they hold.
                s.swapFree = s.swapTotal - std::min(s.swapTotal, committed > physical ? committed - physical : 0);
            }
        }
        return s;  // Windows tells no memory pressure: `pressure` stays negative
    }

    ReclaimResult reclaim(AppMemory& app, std::uint64_t bytes) override {
        if (app.self || app.id.empty()) return Reclaim::Protected;
        const DWORD self = GetCurrentProcessId();
        const DWORD session = thisSession();
        std::vector<Opened> processes;
        std::vector<Reclaim> outcomes;
        std::string failure;
        for (const DWORD pid : processIds()) {
            Opened p;
            // One it may not open was never listed: not this application's.
            if (!open(pid, session, p)) continue;
            if (p.sample.key != app.id) continue;
            // Kestrune's own executable, run twice: never its own process.
            if (pid == self) return Reclaim::Protected;
            if (!readFigures(p.handle.get(), p.sample)) continue;  // ended
            processes.push_back(std::move(p));
        }
        for (Opened& p : processes) {
            if (SetProcessWorkingSetSizeEx(p.handle.get(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1), 0)) {
                outcomes.push_back(Reclaim::Done);
                continue;
            }
            const DWORD error = GetLastError();
            if (!running(p.handle.get())) {
                outcomes.push_back(Reclaim::Gone);
            } else if (error == ERROR_ACCESS_DENIED) {
                outcomes.push_back(Reclaim::Refused);
            } else {
                outcomes.push_back(Reclaim::Failed);
                if (failure.empty()) failure = "Trimming the working set of " + app.name + ": " + systemText(error);
            }
        }
        const Reclaim result = winapps::combine(outcomes);
        if (result == Reclaim::Refused) return result;
        if (result == Reclaim::Failed) return {result, failure};
        // The figures again, of the very processes trimmed, and what they
        // were of those still there.
        std::vector<winapps::ProcessSample> after;
        std::uint64_t before = 0;
        for (Opened& p : processes) {
            const std::uint64_t was = p.sample.workingSet;
            if (!readFigures(p.handle.get(), p.sample)) continue;
            before += was;
            after.push_back(p.sample);
        }
        const std::vector<AppMemory> regrouped = winapps::group(after, self, 0);
        if (regrouped.empty()) return Reclaim::Gone;
        app.inUse = regrouped.front().inUse;
        app.cpuMicros = regrouped.front().cpuMicros;
        return winapps::settle(result, before, app.inUse, bytes);
    }

    Result<std::unique_ptr<TrimHold>> takeTurn(const std::atomic<bool>& stop,
                                               const std::function<void()>& waiting) override {
        // Named in the login session's own namespace: one turn per user at the desk.
        Handle mutex(CreateMutexW(nullptr, FALSE, L"Local\\Kestrune.Trim"));
        if (!mutex) return systemError("No trim can start: the turn to trim cannot be made: ", GetLastError());
        bool told = false;
        while (true) {
            const DWORD got = WaitForSingleObject(mutex.get(), told ? 100 : 0);
            // Abandoned: its holder ended without giving it back; the turn is ours.
            if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) break;
            if (got != WAIT_TIMEOUT)
                return systemError("No trim can start: the turn to trim cannot be had: ", GetLastError());
            if (!told && waiting) waiting();
            told = true;
            if (stop) return std::unique_ptr<TrimHold>();
        }
        return std::unique_ptr<TrimHold>(std::make_unique<MutexHold>(std::move(mutex)));
    }

    bool refresh(AppMemory& app) override {
        const std::vector<AppMemory> now = list(0);
        const auto it = std::find_if(now.begin(), now.end(), [&](const AppMemory& a) { return a.id == app.id; });
        if (it == now.end()) return false;
        const bool focusedBefore = app.focused;
        app = *it;
        app.focused = focusedBefore;  // the caller's view of the focus stands
        return true;
    }

private:
    // The process owning the foreground window where the caller knows none.
    static unsigned long focused(long focusedPid) {
        if (focusedPid > 0) return static_cast<unsigned long>(focusedPid);
        const HWND front = GetForegroundWindow();
        DWORD pid = 0;
        if (front != nullptr) GetWindowThreadProcessId(front, &pid);
        return pid;
    }

    std::string nameOf(const std::string& key, const std::wstring& path) {
        {
            const std::lock_guard lock(namesMutex_);
            const auto known = names_.find(key);
            if (known != names_.end()) return known->second;
        }
        // Read once: an executable's description does not change while it runs.
        std::string name = fileDescription(path);
        if (name.empty()) name = winapps::fileName(windows::utf8(path));
        const std::lock_guard lock(namesMutex_);
        return names_.emplace(key, std::move(name)).first->second;
    }

    std::mutex namesMutex_;
    std::map<std::string, std::string> names_;

    // What each process of this session seen so far runs; `ours` where
    // this user may read and trim it.
    struct Known {
        std::uint64_t created = 0;
        bool ours = false;
        std::string key;
        std::string name;
    };
    std::mutex knownMutex_;
    std::map<DWORD, Known> known_;
};

}  // namespace

Applications& userApplications() {
    static ProcessApplications apps;
    return apps;
}

}  // namespace platform
