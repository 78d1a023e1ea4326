#pragma once

#include "platform/Applications.h"
#include "platform/linux/MemoryStatus.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where the Linux back end looks. The real system's places by default; tests
// point them at a folder shaped like /proc and /sys.
struct CgroupPlaces {
    std::string proc = "/proc";        // self/cgroup, self/mountinfo, PID/cgroup, PID/comm, meminfo, pressure
    std::string block = "/sys/block";  // zram*/mm_stat
    unsigned uid = 0;                  // whose session: user@UID.service
    // Folders of desktop entries, the first one preferred ($XDG_DATA_HOME and
    // $XDG_DATA_DIRS, each with "/applications").
    std::vector<std::string> applicationDirs;
    bool wayland = false;  // which window has the focus cannot be told
    // The user's languages, the first preferred ("de_AT", "de"), for the
    // desktop entries' translated names.
    std::vector<std::string> languages;
    // The login's own folder of Kestrune's, where the turn to trim is taken
    // ($XDG_RUNTIME_DIR/kestrune, else /run/user/UID/kestrune as cron
    // needs); empty: there is none, and `stateMissing` says why.
    std::string stateDir, stateMissing;

    // This process's user, environment and the real places.
    static CgroupPlaces fromEnvironment();
};

// The session's applications as the cgroups of systemd's user instance
// (user.slice/user-UID.slice/user@UID.service), which systemd delegates to the
// user with memory.reclaim in it: every application scope or service below
// it can be asked to give memory back, without privileges. Only applications
// are: the units in app.slice and background.slice (at any depth of their
// slices), and "app-" units a desktop starts right below the user instance.
// session.slice holds what the desktop itself needs (its shell, the display
// and audio servers, the session and accessibility buses), and every other
// unit there is the user's systemd's own: none is listed or ever written.
class CgroupApplications final : public Applications {
public:
    explicit CgroupApplications(CgroupPlaces places);

    std::string unavailable() const override { return why_; }
    std::string caveat() const override { return caveat_; }
    std::vector<AppMemory> list(long focusedPid) override;
    SystemFigures system() override;
    ReclaimResult reclaim(AppMemory& app, std::uint64_t bytes) override;
    bool refresh(AppMemory& app) override;
    Result<std::unique_ptr<TrimHold>> takeTurn(const std::atomic<bool>& stop,
                                               const std::function<void()>& waiting) override;

    // The session's cgroup folder; empty when trimming is unavailable.
    const std::string& root() const { return root_; }

private:
    void findRoot();
    void walk(const std::string& dir, const std::string& prefix, int depth, const std::optional<std::string>& focused,
              std::vector<AppMemory>& out);
    std::string nameOf(const std::string& id, const std::string& unit, int dirFd);
    std::string programName(int dirFd);
    bool isSelfOrAbove(const std::string& id) const;

    CgroupPlaces places_;
    std::string why_, caveat_;
    std::string root_;     // the session's cgroup folder
    std::string rootRel_;  // the same as a cgroup path: "/user.slice/…/user@1000.service"
    std::string selfRel_;  // Kestrune's own cgroup path
    std::mutex namesMutex_;
    std::map<std::string, std::string> names_;  // by id: names do not change while it runs
};

// The parsers over the files' text. They take any bytes: what they cannot
// read gives nothing (an empty optional, zero, false), never a throw.
namespace cgroupfs {

// The cgroup v2 path in /proc/PID/cgroup (its "0::" line).
std::optional<std::string> unifiedPath(std::string_view procCgroup);
// Whether /proc/PID/cgroup shows the memory controller on a v1 hierarchy.
bool memoryOnV1(std::string_view procCgroup);
// Where cgroup2 is mounted, from /proc/self/mountinfo.
std::optional<std::string> unifiedMount(std::string_view mountinfo);
// A number alone in a file (memory.current); 0 when it is not one.
std::uint64_t number(std::string_view text);
// The value of a "key value" line (memory.stat, cpu.stat); 0 when absent.
std::uint64_t field(std::string_view text, std::string_view key);
// Whether a space-separated list (cgroup.controllers) holds `word`.
bool listHas(std::string_view list, std::string_view word);
// A unit name with systemd's \xNN escapes undone.
std::string unescapeUnit(std::string_view name);
// The application ids an "app-[<launcher>-]<id>[@…|-<random>].scope/.service"
// unit may stand for, the likeliest first; none for other units.
std::vector<std::string> appIds(std::string_view unit);
// The Name= of a desktop entry's [Desktop Entry] group, translated
// (Name[de_AT], Name[de]) into the first of `languages` it has; empty when
// it has none.
std::string desktopName(std::string_view entry, const std::vector<std::string>& languages = {});
// The languages a locale setting names, the first preferred: "de_AT.UTF-8@euro"
// gives de_AT@euro, de_AT, de@euro, de; "C" and "POSIX" none.
std::vector<std::string> localeLanguages(std::string_view locale);
// Whether a unit, by its path below the user instance, is an application a
// trim may take memory from.
bool isApplicationUnit(std::string_view id);
// The words of a unit's name that tell it apart where its `name` does not:
// "app-test-reader.scope" named "test" gives "reader".
std::string unitDetail(std::string_view unit, std::string_view name);
// "some avg10" of /proc/pressure/memory; negative when absent.
double pressureSome10(std::string_view text);
// Sums orig_data_size and compr_data_size of a zram device's mm_stat.
bool zramSizes(std::string_view mmStat, std::uint64_t& stored, std::uint64_t& compressed);
// Whether a kernel release ("6.1.0-18-amd64") is at least major.minor.
bool releaseAtLeast(std::string_view release, int major, int minor);
// The system's figures from /proc/meminfo's fields.
SystemFigures systemFigures(const ProcFields& fields);

}  // namespace cgroupfs

}  // namespace platform
