// Listing a session of 50 applications with their figures, on a cgroup tree
// made of plain files on tmpfs, against a bare read of the same files.
#include "bench/Ratios.h"
#include "platform/linux/Applications.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kApps = 50;
const char* const kFiles[] = {"memory.current", "memory.stat", "memory.swap.current", "cpu.stat"};

void put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// memory.stat as a 6.1 kernel writes it: 40-odd lines.
std::string memoryStat(int i) {
    std::string s;
    for (const char* key : {"anon",
                            "file",
                            "kernel",
                            "kernel_stack",
                            "pagetables",
                            "sec_pagetables",
                            "percpu",
                            "sock",
                            "vmalloc",
                            "shmem",
                            "zswap",
                            "zswapped",
                            "file_mapped",
                            "file_dirty",
                            "file_writeback",
                            "swapcached",
                            "anon_thp",
                            "file_thp",
                            "shmem_thp",
                            "inactive_anon",
                            "active_anon",
                            "inactive_file",
                            "active_file",
                            "unevictable",
                            "slab_reclaimable",
                            "slab_unreclaimable",
                            "slab",
                            "workingset_refault_anon",
                            "workingset_refault_file",
                            "workingset_activate_anon",
                            "workingset_activate_file",
                            "workingset_restore_anon",
                            "workingset_restore_file",
                            "workingset_nodereclaim",
                            "pgscan",
                            "pgsteal",
                            "pgscan_kswapd",
                            "pgscan_direct",
                            "pgsteal_kswapd",
                            "pgsteal_direct",
                            "pgfault",
                            "pgmajfault",
                            "pgrefill",
                            "pgactivate",
                            "pgdeactivate",
                            "pglazyfree",
                            "pglazyfreed",
                            "thp_fault_alloc",
                            "thp_collapse_alloc"})
        s += std::string(key) + " " + std::to_string(1048576ull * (i + 1) + 4096) + "\n";
    return s;
}

// A session of kApps applications in a fresh folder on tmpfs.
struct Tree {
    Tree() {
        char pattern[] = "/dev/shm/kestrune-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp on /dev/shm failed");
        top = pattern;
        const std::string uid = std::to_string(::getuid());
        const fs::path cg = top / "cgroup";
        root = cg / "user.slice" / ("user-" + uid + ".slice") / ("user@" + uid + ".service");
        put(top / "proc/self/mountinfo", "30 23 0:26 / " + cg.string() + " rw - cgroup2 cgroup2 rw\n");
        put(top / "proc/self/cgroup",
            "0::/user.slice/user-" + uid + ".slice/user@" + uid + ".service/app.slice/app-kestrune-1.scope\n");
        put(cg / "cgroup.controllers", "cpu memory pids\n");
        put(root / "cgroup.controllers", "cpu memory pids\n");
        put(root / "memory.reclaim", "");
        for (int i = 0; i < kApps; ++i) {
            const fs::path dir = root / (i % 5 == 0 ? "session.slice/service-" + std::to_string(i) + ".service"
                                                    : "app.slice/app-gnome-program" + std::to_string(i) + "-" +
                                                          std::to_string(1000 + i) + ".scope");
            dirs.push_back(dir.string());
            put(dir / "memory.current", std::to_string(1048576ull * (i + 2)) + "\n");
            put(dir / "memory.stat", memoryStat(i));
            put(dir / "memory.swap.current", "0\n");
            put(dir / "cpu.stat",
                "usage_usec 123456\nuser_usec 100000\nsystem_usec 23456\nnr_periods 0\n"
                "nr_throttled 0\nthrottled_usec 0\nnr_bursts 0\nburst_usec 0\n");
            put(dir / "memory.reclaim", "");
            put(dir / "cgroup.procs", "");
        }
        places.proc = (top / "proc").string();
        places.block = (top / "block").string();
        places.uid = ::getuid();
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(top, ec);
    }
    fs::path top, root;
    std::vector<std::string> dirs;
    platform::CgroupPlaces places;
};

Tree& tree() {
    static Tree t;
    return t;
}

void BM_List(benchmark::State& state) {
    platform::CgroupApplications apps(tree().places);
    if (apps.list(0).size() != kApps) state.SkipWithError("the tree is not listed whole");
    for (auto _ : state) benchmark::DoNotOptimize(apps.list(0));
}
BENCHMARK(BM_List)->Unit(benchmark::kMillisecond);

// What any program showing the same figures must at least do: open, read and
// close the same four files of each application.
void BM_BareRead(benchmark::State& state) {
    char buf[8192];
    for (auto _ : state) {
        for (const std::string& dir : tree().dirs) {
            for (const char* name : kFiles) {
                const int fd = ::open((dir + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
                ssize_t n = 0;
                while ((n = ::read(fd, buf, sizeof buf)) > 0) benchmark::DoNotOptimize(buf[0]);
                ::close(fd);
            }
        }
    }
}
BENCHMARK(BM_BareRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return benchratio::run(argc, argv, {{"list 50 applications / bare read", "BM_List", "BM_BareRead", 2.0, true}});
}
