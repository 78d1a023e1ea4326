#pragma once

#include "platform/Applications.h"
#include "platform/linux/SystemMemory.h"

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

    // This process's user, environment and the real places.
    static CgroupPlaces fromEnvironment();
};

// The session's applications as the cgroups of systemd's user instance
// (user.slice/user-UID.slice/user@UID.service), which systemd delegates to the
// user with memory.reclaim in it: every application scope or service below
// it can be asked to give memory back, without privileges.
class CgroupApplications final : public Applications {
public:
    explicit CgroupApplications(CgroupPlaces places);

    std::string unavailable() const override { return why_; }
    std::string caveat() const override { return caveat_; }
    std::vector<AppMemory> list(long focusedPid) override;
    SystemFigures system() override;
    Reclaim reclaim(AppMemory& app, std::uint64_t bytes) override;
    bool refresh(AppMemory& app) override;

    // The session's cgroup folder; empty when trimming is unavailable.
    const std::string& root() const { return root_; }

private:
    void findRoot();
    void walk(const std::string& dir, const std::string& prefix, int depth, const std::optional<std::string>& focused,
              std::vector<AppMemory>& out);
    std::string nameOf(const std::string& id, const std::string& unit, int dirFd);
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
// The Name= of a desktop entry's [Desktop Entry] group; empty when it has none.
std::string desktopName(std::string_view entry);
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
