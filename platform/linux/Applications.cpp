#include "platform/linux/Applications.h"

#include "platform/SessionState.h"
#include "platform/posix/OwnFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <thread>

namespace platform {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
// How deep slices may nest below the session's cgroup before the walk stops.
constexpr int kMaxDepth = 16;

// Calls `line` with each line of `text` until it returns false.
template <typename Line>
void forEachLine(std::string_view text, Line line) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (!line(text.substr(0, end))) return;
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Leading decimal digits, saturating; nullopt when there are none.
std::optional<std::uint64_t> digits(std::string_view s) {
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const unsigned d = static_cast<unsigned>(s[i] - '0');
        value = value > (kMax - d) / 10 ? kMax : value * 10 + d;
    }
    if (i == 0) return std::nullopt;
    return value;
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A small file read whole; false when it cannot be opened or read (it may
// vanish at any moment: an application ends between the listing and the read).
bool readAt(int dirFd, const char* name, std::string& out, std::size_t limit = 1 << 20) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char buf[4096];
    bool ok = true;
    while (out.size() < limit) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool readFile(const std::string& path, std::string& out) { return readAt(AT_FDCWD, path.c_str(), out); }

std::string readFile(const std::string& path) {
    std::string out;
    return readFile(path, out) ? out : std::string{};
}

bool isDirectory(int dirFd, const dirent& e) {
    if (e.d_type == DT_DIR) return true;
    if (e.d_type != DT_UNKNOWN) return false;
    struct stat st {};
    return ::fstatat(dirFd, e.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// Reads an application's figures from its cgroup folder; false when it is gone.
bool readFigures(int dirFd, AppMemory& app) {
    std::string text;
    if (!readAt(dirFd, "memory.current", text)) return false;
    const auto current = digits(trimmed(text));
    if (!current) return false;
    app.inUse = *current;
    app.splitKnown = readAt(dirFd, "memory.stat", text);
    app.cache = app.splitKnown ? cgroupfs::field(text, "file") : 0;
    app.anon = app.splitKnown ? cgroupfs::field(text, "anon") : 0;
    // Absent where swap is not accounted: nothing of it is known to be in swap.
    app.swapped = readAt(dirFd, "memory.swap.current", text) ? cgroupfs::number(text) : 0;
    app.cpuMicros = readAt(dirFd, "cpu.stat", text) ? cgroupfs::field(text, "usage_usec") : 0;
    return true;
}

// An id as list() makes them: folders below the session's cgroup, never one
// that would lead out of it.
bool safeId(const std::string& id) {
    if (id.empty() || id.front() == '/' || id.find('\0') != std::string::npos) return false;
    std::string_view rest(id);
    while (true) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) return true;
        rest.remove_prefix(slash + 1);
    }
}

bool under(const std::string& path, const std::string& top) {
    return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 &&
                           (top == "/" || path[top.size()] == '/'));
}

std::string systemText(int error) { return std::system_category().message(error); }

ReclaimResult fromErrno(int error, const std::string& name) {
    switch (error) {
        case 0:
            return Reclaim::Done;
        // The kernel reclaimed less than asked, or a signal cut it short:
        // either way it took what it could.
        case EAGAIN:
        case EINTR:
            return Reclaim::Partial;
        case ENOENT:
        case ENODEV:
        case ESRCH:
            return Reclaim::Gone;
        case EACCES:
        case EPERM:
            return Reclaim::Refused;
        default:
            return {Reclaim::Failed, "memory.reclaim of " + name + ": " + systemText(error)};
    }
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The turn to trim: a lock on a file of the login's own, which the system
// gives back however the holder ends.
class FileLock final : public TrimHold {
public:
    explicit FileLock(int fd) : fd_(fd) {}
    ~FileLock() override { ::close(fd_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

}  // namespace

namespace cgroupfs {

std::optional<std::string> unifiedPath(std::string_view procCgroup) {
    std::optional<std::string> out;
    forEachLine(procCgroup, [&](std::string_view line) {
        if (line.substr(0, 3) != "0::") return true;
        out = std::string(trimmed(line.substr(3)));
        return false;
    });
    if (out && (out->empty() || out->front() != '/')) out.reset();
    return out;
}

bool memoryOnV1(std::string_view procCgroup) {
    bool found = false;
    forEachLine(procCgroup, [&](std::string_view line) {
        const std::size_t first = line.find(':');
        if (first == std::string_view::npos) return true;
        const std::size_t second = line.find(':', first + 1);
        if (second == std::string_view::npos || second == first + 1) return true;
        std::string_view controllers = line.substr(first + 1, second - first - 1);
        while (!controllers.empty()) {
            const std::size_t comma = controllers.find(',');
            if (controllers.substr(0, comma) == "memory") found = true;
            controllers = comma == std::string_view::npos ? std::string_view{} : controllers.substr(comma + 1);
        }
        return !found;
    });
    return found;
}

std::optional<std::string> unifiedMount(std::string_view mountinfo) {
    std::optional<std::string> out;
    forEachLine(mountinfo, [&](std::string_view line) {
        // id parent major:minor root mount-point options [optional…] - type source super-options
        std::vector<std::string_view> f;
        while (!line.empty()) {
            const std::size_t space = line.find(' ');
            if (space != 0) f.push_back(line.substr(0, space));
            line = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        }
        const auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 6 || dash == f.end() || dash + 1 == f.end() || dash - f.begin() < 6 || *(dash + 1) != "cgroup2")
            return true;
        // The kernel writes space, tab, newline and backslash as \ooo.
        std::string mount;
        const std::string_view m = f[4];
        for (std::size_t i = 0; i < m.size(); ++i) {
            if (m[i] == '\\' && i + 3 < m.size() && m[i + 1] >= '0' && m[i + 1] <= '3' && m[i + 2] >= '0' &&
                m[i + 2] <= '7' && m[i + 3] >= '0' && m[i + 3] <= '7') {
                mount += static_cast<char>((m[i + 1] - '0') * 64 + (m[i + 2] - '0') * 8 + (m[i + 3] - '0'));
                i += 3;
            } else {
                mount += m[i];
            }
        }
        // A mount of the whole hierarchy, the one at the usual place first.
        if (f[3] != "/" || mount.empty() || mount.front() != '/') return true;
        if (!out || mount == "/sys/fs/cgroup") out = mount;
        return *out != "/sys/fs/cgroup";
    });
    return out;
}

std::uint64_t number(std::string_view text) { return digits(trimmed(text)).value_or(0); }

std::uint64_t field(std::string_view text, std::string_view key) {
    std::uint64_t out = 0;
    forEachLine(text, [&](std::string_view line) {
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') return true;
        out = number(line.substr(key.size() + 1));
        return false;
    });
    return out;
}

bool listHas(std::string_view list, std::string_view word) {
    list = trimmed(list);
    while (!list.empty()) {
        const std::size_t space = list.find_first_of(" \n");
        if (list.substr(0, space) == word) return true;
        list = space == std::string_view::npos ? std::string_view{} : list.substr(space + 1);
    }
    return false;
}

std::string unescapeUnit(std::string_view name) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            out += static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<std::string> appIds(std::string_view unit) {
    const bool scope = endsWith(unit, ".scope");
    if (!scope && !endsWith(unit, ".service")) return {};
    unit.remove_suffix(scope ? 6 : 8);
    if (unit.substr(0, 4) != "app-") return {};
    unit.remove_prefix(4);
    unit = unit.substr(0, unit.find('@'));  // a service's instance: "app-foo@autostart.service"
    // The id's own dashes are escaped (\x2d): a dash parts the launcher, the
    // id and a scope's random tail.
    std::vector<std::string_view> words;
    while (!unit.empty()) {
        const std::size_t dash = unit.find('-');
        words.push_back(unit.substr(0, dash));
        unit = dash == std::string_view::npos ? std::string_view{} : unit.substr(dash + 1);
    }
    const std::size_t n = words.size();
    std::vector<std::pair<std::size_t, std::size_t>> ranges;  // [from, to) of words, likeliest first
    if (scope)
        ranges = {{1, n - 1}, {0, n - 1}, {1, n}, {0, n}};
    else
        ranges = {{1, n}, {0, n}};
    std::vector<std::string> out;
    for (const auto& [from, to] : ranges) {
        if (n == 0 || to > n || from >= to) continue;
        std::string id;
        for (std::size_t i = from; i < to; ++i) id += (i == from ? "" : "-") + unescapeUnit(words[i]);
        if (id.empty() || id.front() == '.' || id.find_first_of("/\n") != std::string::npos) continue;
        if (std::find(out.begin(), out.end(), id) == out.end()) out.push_back(std::move(id));
    }
    return out;
}

std::string desktopName(std::string_view entry, const std::vector<std::string>& languages) {
    std::string plain;
    std::vector<std::string> translated(languages.size());
    bool inGroup = false;
    forEachLine(entry, [&](std::string_view line) {
        line = trimmed(line);
        if (!line.empty() && line.front() == '[') {
            if (inGroup) return false;  // the group is over
            inGroup = line == "[Desktop Entry]";
            return true;
        }
        if (!inGroup) return true;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        const std::string_view key = trimmed(line.substr(0, eq));
        const std::string_view value = trimmed(line.substr(eq + 1));
        if (key == "Name") {
            if (plain.empty()) plain = std::string(value);
        } else if (key.size() > 6 && key.substr(0, 5) == "Name[" && key.back() == ']') {
            const std::string_view language = key.substr(5, key.size() - 6);
            for (std::size_t i = 0; i < languages.size(); ++i)
                if (languages[i] == language && translated[i].empty()) translated[i] = std::string(value);
        }
        return true;
    });
    for (const std::string& t : translated)
        if (!t.empty()) return t;
    return plain;
}

std::vector<std::string> localeLanguages(std::string_view locale) {
    // language[_COUNTRY][.ENCODING][@MODIFIER]
    const std::size_t at = locale.find('@');
    const std::string_view modifier = at == std::string_view::npos ? std::string_view{} : locale.substr(at);
    std::string_view base = locale.substr(0, at);
    base = base.substr(0, base.find('.'));
    const std::string_view language = base.substr(0, base.find('_'));
    if (language.empty() || base == "C" || base == "POSIX") return {};
    std::vector<std::string> out;
    const auto add = [&out](std::string_view a, std::string_view b) {
        std::string s = std::string(a) + std::string(b);
        if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
    };
    if (!modifier.empty()) add(base, modifier);
    add(base, "");
    if (!modifier.empty()) add(language, modifier);
    add(language, "");
    return out;
}

bool isApplicationUnit(std::string_view id) {
    const std::size_t slash = id.find('/');
    if (slash == std::string_view::npos)
        return id.substr(0, 4) == "app-" && (endsWith(id, ".scope") || endsWith(id, ".service"));
    const std::string_view top = id.substr(0, slash);
    return (top == "app.slice" || top == "background.slice") && slash + 1 < id.size();
}

std::string unitDetail(std::string_view unit, std::string_view name) {
    std::string stem = unescapeUnit(unit);
    for (const char* tail : {".scope", ".service"})
        if (endsWith(stem, tail)) stem.resize(stem.size() - std::strlen(tail));
    if (const std::size_t at = stem.find('@'); at != std::string::npos) stem.resize(at);
    if (stem.compare(0, 4, "app-") == 0) stem.erase(0, 4);
    // The name's own words, to leave out of what is added to it.
    std::vector<std::string> named;
    std::string word;
    for (const char c : lowered(name) + ' ') {
        if (c == ' ' || c == '-' || c == '_' || c == '.') {
            if (!word.empty()) named.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    std::string out;
    std::string_view rest(stem);
    while (!rest.empty()) {
        const std::size_t dash = rest.find('-');
        const std::string_view w = rest.substr(0, dash);
        if (!w.empty() && std::find(named.begin(), named.end(), lowered(w)) == named.end())
            out += (out.empty() ? "" : "-") + std::string(w);
        rest = dash == std::string_view::npos ? std::string_view{} : rest.substr(dash + 1);
    }
    return out.empty() ? stem : out;
}

double pressureSome10(std::string_view text) {
    double out = -1.0;
    forEachLine(text, [&](std::string_view line) {
        if (line.substr(0, 5) != "some ") return true;
        const std::size_t at = line.find("avg10=");
        if (at == std::string_view::npos) return false;
        const std::string_view value = line.substr(at + 6);
        double v = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (ec == std::errc() && end != value.data() && v >= 0 && v <= 100) out = v;
        return false;
    });
    return out;
}

bool zramSizes(std::string_view mmStat, std::uint64_t& stored, std::uint64_t& compressed) {
    mmStat = trimmed(mmStat);
    std::uint64_t values[2] = {0, 0};
    for (std::uint64_t& v : values) {
        while (!mmStat.empty() && mmStat.front() == ' ') mmStat.remove_prefix(1);
        const auto d = digits(mmStat);
        if (!d) return false;
        v = *d;
        mmStat.remove_prefix(std::min(mmStat.size(), mmStat.find_first_not_of("0123456789")));
    }
    stored = stored > kMax - values[0] ? kMax : stored + values[0];
    compressed = compressed > kMax - values[1] ? kMax : compressed + values[1];
    return true;
}

bool releaseAtLeast(std::string_view release, int major, int minor) {
    const auto a = digits(release);
    if (!a) return false;
    const std::size_t dot = release.find('.');
    const auto b = dot == std::string_view::npos ? std::nullopt : digits(release.substr(dot + 1));
    const std::uint64_t M = static_cast<std::uint64_t>(major), m = static_cast<std::uint64_t>(minor);
    return *a > M || (*a == M && b.value_or(0) >= m);
}

SystemFigures systemFigures(const ProcFields& f) {
    SystemFigures s;
    s.total = f.memTotal;
    // What the system can drop or write back: shared memory and tmpfs are in
    // "Cached" but can only go to swap, so they count as used.
    const std::uint64_t cached = f.cached > kMax - f.buffers ? kMax : f.cached + f.buffers;
    s.cache = std::min(cached > f.shmem ? cached - f.shmem : 0, f.memTotal);
    s.available = std::min(f.memAvailable, f.memTotal);
    // In use as the main window counts it: what programs cannot have
    // without swapping, so that the two windows agree.
    s.used = f.memTotal - s.available;
    s.swapTotal = f.swapTotal;
    s.swapFree = std::min(f.swapFree, f.swapTotal);
    return s;
}

}  // namespace cgroupfs

CgroupPlaces CgroupPlaces::fromEnvironment() {
    CgroupPlaces p;
    p.uid = ::getuid();
    auto env = [](const char* name) {
        const char* v = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): nothing here sets the environment
        return std::string(v != nullptr ? v : "");
    };
    std::string dataHome = env("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.front() != '/')
        dataHome = env("HOME").empty() ? "" : env("HOME") + "/.local/share";
    if (!dataHome.empty()) p.applicationDirs.push_back(dataHome + "/applications");
    std::string dataDirs = env("XDG_DATA_DIRS");
    if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
    std::string_view rest(dataDirs);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (!dir.empty() && dir.front() == '/') p.applicationDirs.push_back(std::string(dir) + "/applications");
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    p.wayland = env("XDG_SESSION_TYPE") == "wayland" || !env("WAYLAND_DISPLAY").empty();
    // As gettext chooses: LANGUAGE's list, where a locale is set at all.
    std::string locale = env("LC_ALL");
    if (locale.empty()) locale = env("LC_MESSAGES");
    if (locale.empty()) locale = env("LANG");
    const std::vector<std::string> own = cgroupfs::localeLanguages(locale);
    if (!own.empty()) {
        const std::string list = env("LANGUAGE");
        std::string_view items(list);
        while (!items.empty()) {
            const std::size_t colon = items.find(':');
            for (std::string& l : cgroupfs::localeLanguages(items.substr(0, colon)))
                if (std::find(p.languages.begin(), p.languages.end(), l) == p.languages.end())
                    p.languages.push_back(std::move(l));
            items = colon == std::string_view::npos ? std::string_view{} : items.substr(colon + 1);
        }
        for (const std::string& l : own)
            if (std::find(p.languages.begin(), p.languages.end(), l) == p.languages.end()) p.languages.push_back(l);
    }
    const SessionState state = userSessionState();
    p.stateDir = state.folder().string();
    p.stateMissing = state.missing();
    return p;
}

CgroupApplications::CgroupApplications(CgroupPlaces places) : places_(std::move(places)) {
    findRoot();
    std::vector<std::string> caveats;
    if (why_.empty() && !under(selfRel_, rootRel_))
        caveats.emplace_back(
            "Kestrune runs in the login session's own cgroup, where this desktop starts its programs, so only the "
            "applications that run under your systemd user instance can be trimmed.");
    if (places_.wayland)
        caveats.emplace_back(
            "On Wayland Kestrune cannot tell which application has the focus, so Trim Idle may include the one you "
            "are using.");
    for (const std::string& c : caveats) caveat_ += (caveat_.empty() ? "" : " ") + c;
}

void CgroupApplications::findRoot() {
    const std::string procCgroup = readFile(places_.proc + "/self/cgroup");
    if (cgroupfs::memoryOnV1(procCgroup)) {
        why_ =
            "Trimming needs the memory controller on cgroup v2, but this system runs it on cgroup v1; booting "
            "with systemd.unified_cgroup_hierarchy=1 (Debian 12's default) would enable it.";
        return;
    }
    const auto mount = cgroupfs::unifiedMount(readFile(places_.proc + "/self/mountinfo"));
    const auto self = cgroupfs::unifiedPath(procCgroup);
    if (!mount || !self) {
        why_ =
            "Trimming needs cgroup v2, which is not mounted here; a system that boots with the unified cgroup "
            "hierarchy (Debian 12's default) would enable it.";
        return;
    }
    selfRel_ = *self;
    if (!cgroupfs::listHas(readFile(*mount + "/cgroup.controllers"), "memory")) {
        why_ =
            "Trimming needs the kernel's memory controller, which is not available in cgroup v2 here; a kernel "
            "with it built in and not turned off (cgroup_disable=memory) would enable it.";
        return;
    }
    const std::string uid = std::to_string(places_.uid);
    const std::string unit = "user@" + uid + ".service";
    rootRel_ = "/user.slice/user-" + uid + ".slice/" + unit;
    const std::string root = *mount + rootRel_;
    struct stat st {};
    if (::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why_ = "Trimming needs your systemd user instance (" + unit +
               "), which is not running for this login; logging in through systemd-logind, as desktops do, would "
               "enable it.";
        return;
    }
    if (!cgroupfs::listHas(readFile(root + "/cgroup.controllers"), "memory")) {
        why_ = "The memory controller is not enabled in your session's cgroup (" + unit +
               "); systemd's delegation of it (Delegate=pids memory cpu, Debian 12's default for user@.service) "
               "would enable it.";
        return;
    }
    const std::string reclaim = root + "/memory.reclaim";
    if (::stat(reclaim.c_str(), &st) != 0) {
        std::string release(cgroupfs::unescapeUnit(readFile(places_.proc + "/sys/kernel/osrelease")));
        while (!release.empty() && (release.back() == '\n' || release.back() == ' ')) release.pop_back();
        why_ = cgroupfs::releaseAtLeast(release, 5, 19) || release.empty()
                   ? "This kernel offers no memory.reclaim in your session's cgroup; Linux 5.19 or later with the "
                     "memory controller would enable it."
                   : "Trimming needs Linux 5.19 or later for memory.reclaim, and this kernel is " + release +
                         "; a newer kernel would enable it.";
        return;
    }
    // Proven by the right to write there, which systemd's delegation gives
    // (it makes the user the file's owner); never by trying a write.
    const bool mine = st.st_uid == places_.uid || (places_.uid == ::getuid() && ::access(reclaim.c_str(), W_OK) == 0);
    if (!mine) {
        why_ = "Your session's cgroup (" + unit +
               ") is not delegated to you, so its memory.reclaim may not be written; systemd's delegation of "
               "user@.service (Debian 12's default) would enable it.";
        return;
    }
    root_ = root;
}

bool CgroupApplications::isSelfOrAbove(const std::string& id) const { return under(selfRel_, rootRel_ + "/" + id); }

std::vector<AppMemory> CgroupApplications::list(long focusedPid) {
    std::vector<AppMemory> out;
    if (root_.empty()) return out;
    std::optional<std::string> focused;
    if (focusedPid > 0)
        focused = cgroupfs::unifiedPath(readFile(places_.proc + "/" + std::to_string(focusedPid) + "/cgroup"));
    walk(root_, "", 0, focused, out);
    std::sort(out.begin(), out.end(), [](const AppMemory& a, const AppMemory& b) { return a.id < b.id; });
    distinguish(out);
    return out;
}

void CgroupApplications::walk(const std::string& dir, const std::string& prefix, int depth,
                              const std::optional<std::string>& focused, std::vector<AppMemory>& out) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    const int dirFd = ::dirfd(d);
    std::vector<std::string> slices;
    // readdir is safe on a stream no other thread uses.
    while (const dirent* e = ::readdir(d)) {  // NOLINT(concurrency-mt-unsafe)
        const std::string_view name(e->d_name);
        if (name == "." || name == ".." || !isDirectory(dirFd, *e)) continue;
        if (endsWith(name, ".slice")) {
            // Below the user instance, only the applications' slices.
            if (depth > 0 || name == "app.slice" || name == "background.slice") slices.emplace_back(name);
            continue;
        }
        if (!(endsWith(name, ".scope") || endsWith(name, ".service"))) continue;
        AppMemory app;
        app.id = prefix + std::string(name);
        if (!cgroupfs::isApplicationUnit(app.id)) continue;
        const int appFd = ::openat(dirFd, e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (appFd < 0) continue;
        if (readFigures(appFd, app)) {
            const std::string rel = rootRel_ + "/" + app.id;
            app.self = under(selfRel_, rel);
            app.focused = focused && under(*focused, rel);
            app.name = nameOf(app.id, std::string(name), appFd);
            app.detail = cgroupfs::unitDetail(name, app.name);
            out.push_back(std::move(app));
        }
        ::close(appFd);
    }
    ::closedir(d);
    if (depth >= kMaxDepth) return;
    for (const std::string& s : slices) {
        std::string below = dir;
        below.append("/").append(s);
        walk(below, prefix + s + '/', depth + 1, focused, out);
    }
}

std::string CgroupApplications::nameOf(const std::string& id, const std::string& unit, int dirFd) {
    {
        std::lock_guard lock(namesMutex_);
        const auto known = names_.find(id);
        if (known != names_.end()) return known->second;
    }
    std::string name;
    const std::vector<std::string> ids = cgroupfs::appIds(unit);
    std::string text;
    for (const std::string& candidate : ids) {
        for (const std::string& folder : places_.applicationDirs) {
            std::string entry = folder;
            entry.append("/").append(candidate).append(".desktop");
            if (readFile(entry, text) && !(name = cgroupfs::desktopName(text, places_.languages)).empty()) break;
        }
        if (!name.empty()) break;
    }
    if (name.empty()) name = programName(dirFd);
    // The id a unit's name carries is the last resort but its own name, and
    // neither is kept: its program may be there to name it next time.
    if (name.empty()) return ids.empty() ? unit : ids.front();
    std::lock_guard lock(namesMutex_);
    names_[id] = name;
    return name;
}

std::string CgroupApplications::programName(int dirFd) {
    std::string text;
    if (!readAt(dirFd, "cgroup.procs", text)) return {};
    const auto pid = digits(trimmed(text));
    if (!pid) return {};
    const std::string proc = places_.proc + "/" + std::to_string(*pid);
    const auto last = [](std::string_view path) {
        const std::size_t slash = path.find_last_of('/');
        return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    };
    // The program's file, whole: /proc/PID/comm is cut at 15 characters.
    char target[4096];
    const ssize_t n = ::readlink((proc + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
        std::string_view path(target, static_cast<std::size_t>(n));
        if (endsWith(path, " (deleted)")) path.remove_suffix(10);  // replaced by an upgrade while it runs
        if (!path.empty() && path.front() == '/') return last(path);
    }
    // Another user's, or one the system does not let this user look into.
    if (readFile(proc + "/cmdline", text) && !text.empty() && text.front() != '\0')
        return last(std::string_view(text.c_str()));
    return {};
}

SystemFigures CgroupApplications::system() {
    std::string text = readFile(places_.proc + "/meminfo");
    ProcFields fields;
    parseMeminfo(text.data(), text.size(), fields);
    SystemFigures s = cgroupfs::systemFigures(fields);
    if (DIR* d = ::opendir(places_.block.c_str())) {
        while (const dirent* e = ::readdir(d)) {  // NOLINT(concurrency-mt-unsafe): a stream of its own
            if (std::strncmp(e->d_name, "zram", 4) != 0) continue;
            if (readFile(places_.block + "/" + e->d_name + "/mm_stat", text) &&
                cgroupfs::zramSizes(text, s.zramStored, s.zramCompressed))
                s.zram = true;
        }
        ::closedir(d);
    }
    s.pressure = cgroupfs::pressureSome10(readFile(places_.proc + "/pressure/memory"));
    return s;
}

ReclaimResult CgroupApplications::reclaim(AppMemory& app, std::uint64_t bytes) {
    if (root_.empty()) return Reclaim::Refused;
    // Never the desktop's own services, Kestrune's own cgroup, nor one that holds it.
    if (!safeId(app.id) || !cgroupfs::isApplicationUnit(app.id) || app.self || isSelfOrAbove(app.id))
        return Reclaim::Protected;
    int error = 0;
    if (bytes > 0) {
        const std::string path = root_ + "/" + app.id + "/memory.reclaim";
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
        } else {
            // One write: the kernel reclaims while it lasts.
            const std::string amount = std::to_string(bytes);
            if (::write(fd, amount.data(), amount.size()) < 0) error = errno;
            ::close(fd);
        }
    }
    ReclaimResult result = fromErrno(error, app.name);
    if (result == Reclaim::Refused || result == Reclaim::Failed) return result;
    if (!refresh(app)) return Reclaim::Gone;
    return result;
}

Result<std::unique_ptr<TrimHold>> CgroupApplications::takeTurn(const std::atomic<bool>& stop,
                                                               const std::function<void()>& waiting) {
    const std::filesystem::path folder(places_.stateDir);
    if (folder.empty())
        return Error{"No trim can start, as there is no folder to take turns in: " + places_.stateMissing + "."};
    const auto fail = [&folder](const std::string& what, int error) {
        return Error{"No trim can start: " + what + " " + folder.string() + ": " + systemText(error) + ".", error};
    };
    // The login's own folder, which others may write in: see OwnFolder.
    const OwnFolder dir(folder);
    if (dir.fd < 0) return Error{"No trim can start: " + dir.failure + "."};
    const int fd = ::openat(dir.fd, "trim.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return fail("cannot open trim.lock in", errno);
    bool told = false;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            return fail("cannot lock trim.lock in", error);
        }
        if (!told && waiting) waiting();
        told = true;
        if (stop) {
            ::close(fd);
            return std::unique_ptr<TrimHold>();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::unique_ptr<TrimHold>(std::make_unique<FileLock>(fd));
}

bool CgroupApplications::refresh(AppMemory& app) {
    if (root_.empty() || !safeId(app.id)) return false;
    const int fd = ::open((root_ + "/" + app.id).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    AppMemory fresh = app;
    const bool ok = readFigures(fd, fresh);
    ::close(fd);
    if (ok) app = fresh;
    return ok;
}

Applications& userApplications() {
    static CgroupApplications apps{CgroupPlaces::fromEnvironment()};
    return apps;
}

}  // namespace platform
