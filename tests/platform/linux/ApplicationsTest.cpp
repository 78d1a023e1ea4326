#include "platform/linux/Applications.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

using namespace platform;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr std::uint64_t kMiB = 1048576;

// A folder shaped like /proc and a cgroup2 mount, holding one session of
// this user with Kestrune in an application scope of its own.
class FakeTree {
public:
    FakeTree() : uid_(std::to_string(::getuid())) {
        places.proc = dir_.file("proc");
        places.block = dir_.file("block");
        places.uid = ::getuid();
        places.applicationDirs = {dir_.file("home/applications"), dir_.file("usr/applications")};
        write("proc/self/mountinfo", "22 1 0:21 / /proc rw - proc proc rw\n30 23 0:26 / " + dir_.file("cgroup") +
                                         " rw,nosuid - cgroup2 cgroup2 rw,nsdelegate\n");
        write("proc/self/cgroup", "0::" + rel("app.slice/app-kestrune-1.scope") + "\n");
        write("proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
        write("cgroup/cgroup.controllers", "cpuset cpu io memory pids\n");
        write(root("cgroup.controllers"), "cpu memory pids\n");
        write(root("memory.reclaim"), "");
        app("app.slice/app-kestrune-1.scope", 40, 30, 10);
    }

    // A unit's cgroup with its figures in MiB; the usage in microseconds.
    void app(const std::string& id, std::uint64_t current, std::uint64_t file, std::uint64_t anon,
             std::uint64_t usage = 0) {
        write(root(id + "/memory.current"), std::to_string(current * kMiB) + "\n");
        write(root(id + "/memory.stat"), "anon " + std::to_string(anon * kMiB) + "\nfile " +
                                             std::to_string(file * kMiB) + "\nkernel 4096\nfile_mapped 0\n");
        write(root(id + "/memory.reclaim"), "");
        write(root(id + "/cpu.stat"), "usage_usec " + std::to_string(usage) + "\nuser_usec 1\nsystem_usec 2\n");
        write(root(id + "/cgroup.procs"), "");
    }
    void write(const std::string& path, const std::string& content) {
        const std::string full = path.front() == '/' ? path : dir_.file(path);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        writeFile(full, content);
    }
    std::string rel(const std::string& below) const {
        return "/user.slice/user-" + uid_ + ".slice/user@" + uid_ + ".service/" + below;
    }
    std::string root(const std::string& below = "") const { return dir_.file("cgroup") + rel(below); }
    const std::string& top() const { return dir_.path(); }

    CgroupPlaces places;

private:
    testsupport::TempDir dir_;
    std::string uid_;
};

std::map<std::string, AppMemory> byId(const std::vector<AppMemory>& apps) {
    std::map<std::string, AppMemory> out;
    for (const auto& a : apps) out[a.id] = a;
    return out;
}

}  // namespace

TEST(LinuxApplications, ListsTheApplicationsWithTheirFiguresAndNamesAndNeverTheDesktopsOwnServices) {
    FakeTree t;
    t.places.languages = {"de_AT", "de"};
    t.app("app.slice/app-gnome-org.gnome.Text\\x2dEditor-1234.scope", 300, 200, 90, 5000);
    t.write("usr/applications/org.gnome.Text-Editor.desktop",
            "[Desktop Action x]\nName=Wrong\n[Desktop Entry]\nType=Application\nName = Text Editor\nName[fr]=Éditeur\n"
            "Name[de]=Texteditor\n");
    t.write("home/applications/org.gnome.Text-Editor.desktop", "[Desktop Entry]\nExec=te\n");  // no Name: next folder
    t.app("app.slice/app-firefox-99.scope", 500, 100, 380);
    t.write(t.root("app.slice/app-firefox-99.scope/memory.swap.current"), "1048576\n");
    // The program's whole name, not /proc/PID/comm's first 15 characters;
    // its command line where its file cannot be read.
    t.app("background.slice/tracker-miner-fs-3.service", 20, 1, 15);
    t.write(t.root("background.slice/tracker-miner-fs-3.service/cgroup.procs"), "4242\n4243\n");
    t.write("proc/4242/comm", "tracker-miner-f\n");
    std::filesystem::create_symlink("/usr/libexec/tracker-miner-fs-3 (deleted)", t.top() + "/proc/4242/exe");
    t.app("app.slice/app-gnome.slice/app-gnome-viewer-5.scope", 8, 1, 3);
    t.write(t.root("app.slice/app-gnome.slice/app-gnome-viewer-5.scope/cgroup.procs"), "5\n");
    t.write("proc/5/cmdline", std::string("/usr/bin/picture-viewer\0--new-window\0", 37));
    // Two that would read the same: what tells them apart is added.
    t.app("app.slice/app-test-reader.scope", 1, 1, 0);
    t.app("app.slice/app-test-victim.scope", 1, 1, 0);
    t.app("app.slice/dbus.service", 5, 1, 3);
    t.app("app-legacy-7.scope", 9, 1, 8);  // a desktop that starts its applications right below the instance
    // The desktop itself and the user's systemd: never listed, never written.
    t.app("session.slice/org.gnome.Shell@x11.service", 200, 10, 180);
    t.app("session.slice/pipewire.service", 20, 1, 15);
    t.app("dbus.service", 5, 1, 3);
    t.app("init.scope", 10, 1, 8);
    t.write(t.root("app.slice/leftover/memory.current"), "1\n");             // neither a scope nor a service
    t.write(t.root("app.slice/vanished.scope/cpu.stat"), "usage_usec 1\n");  // gone while listed
    std::filesystem::remove(t.root("app.slice/dbus.service/memory.stat"));
    t.write("proc/777/cgroup", "0::" + t.rel("app.slice/app-firefox-99.scope/tab") + "\n");

    CgroupApplications apps(t.places);
    ASSERT_EQ(apps.unavailable(), "");
    EXPECT_EQ(apps.caveat(), "");
    auto listed = byId(apps.list(777));
    ASSERT_EQ(listed.size(), 9u);

    const AppMemory& editor = listed.at("app.slice/app-gnome-org.gnome.Text\\x2dEditor-1234.scope");
    EXPECT_EQ(editor.name, "Texteditor");
    EXPECT_EQ(editor.inUse, 300 * kMiB);
    EXPECT_EQ(editor.cache, 200 * kMiB);
    EXPECT_EQ(editor.anon, 90 * kMiB);
    EXPECT_EQ(editor.swapped, 0u);  // no swap account
    EXPECT_EQ(editor.cpuMicros, 5000u);
    EXPECT_TRUE(editor.splitKnown);
    EXPECT_FALSE(editor.self || editor.focused);

    const AppMemory& firefox = listed.at("app.slice/app-firefox-99.scope");
    EXPECT_EQ(firefox.name, "firefox");  // no desktop entry: the id
    EXPECT_EQ(firefox.swapped, kMiB);
    EXPECT_TRUE(firefox.focused);
    EXPECT_EQ(listed.at("background.slice/tracker-miner-fs-3.service").name, "tracker-miner-fs-3");
    EXPECT_EQ(listed.at("app.slice/app-gnome.slice/app-gnome-viewer-5.scope").name, "picture-viewer");
    EXPECT_EQ(listed.at("app.slice/app-test-reader.scope").name, "test (reader)");
    EXPECT_EQ(listed.at("app.slice/app-test-victim.scope").name, "test (victim)");
    EXPECT_EQ(listed.at("app.slice/dbus.service").name, "dbus.service");  // nothing else to go by
    EXPECT_FALSE(listed.at("app.slice/dbus.service").splitKnown);
    EXPECT_EQ(listed.at("app-legacy-7.scope").name, "legacy");
    EXPECT_TRUE(listed.at("app.slice/app-kestrune-1.scope").self);
    AppMemory shell;
    shell.id = "session.slice/org.gnome.Shell@x11.service";
    EXPECT_EQ(apps.reclaim(shell, kMiB), Reclaim::Protected);
    EXPECT_EQ(readFile(t.root(shell.id + "/memory.reclaim")), "");

    // Figures are read again; the names are kept.
    t.write(t.root("app.slice/app-firefox-99.scope/memory.current"), "7\n");
    AppMemory again = firefox;
    ASSERT_TRUE(apps.refresh(again));
    EXPECT_EQ(again.inUse, 7u);
    EXPECT_EQ(again.name, "firefox");
    std::filesystem::remove_all(t.root("app.slice/app-firefox-99.scope"));
    EXPECT_FALSE(apps.refresh(again));
    EXPECT_EQ(apps.list(0).size(), 8u);
}

TEST(LinuxApplications, ReclaimWritesTheAmountOnceAndNeverForKestruneOrAboveIt) {
    FakeTree t;
    t.app("app.slice/app-reader-5.scope", 1024, 1000, 20);
    CgroupApplications apps(t.places);
    auto listed = byId(apps.list(0));
    AppMemory reader = listed.at("app.slice/app-reader-5.scope");

    t.write(t.root("app.slice/app-reader-5.scope/memory.current"), std::to_string(768 * kMiB));
    EXPECT_EQ(apps.reclaim(reader, 256 * kMiB), Reclaim::Done);
    EXPECT_EQ(readFile(t.root("app.slice/app-reader-5.scope/memory.reclaim")), std::to_string(256 * kMiB));
    EXPECT_EQ(reader.inUse, 768 * kMiB);  // read again after the request

    AppMemory self = listed.at("app.slice/app-kestrune-1.scope");
    EXPECT_EQ(apps.reclaim(self, kMiB), Reclaim::Protected);
    self.self = false;  // even when the caller has lost the mark
    EXPECT_EQ(apps.reclaim(self, kMiB), Reclaim::Protected);
    for (const char* id : {"app.slice", "../../user-0.slice", "app.slice/../..", "/etc", "", "init.scope"}) {
        AppMemory above;
        above.id = id;
        EXPECT_EQ(apps.reclaim(above, kMiB), Reclaim::Protected) << id;
    }
    EXPECT_EQ(readFile(t.root("app.slice/app-kestrune-1.scope/memory.reclaim")), "");
    EXPECT_EQ(readFile(t.root("memory.reclaim")), "");

    std::filesystem::remove_all(t.root("app.slice/app-reader-5.scope"));
    EXPECT_EQ(apps.reclaim(reader, kMiB), Reclaim::Gone);
}

TEST(LinuxApplications, AnErrorThatIsNoRefusalIsToldInTheSystemsWords) {
    FakeTree t;
    t.app("app.slice/app-viewer-5.scope", 100, 90, 5);
    std::filesystem::remove(t.root("app.slice/app-viewer-5.scope/memory.reclaim"));
    std::filesystem::create_directory(t.root("app.slice/app-viewer-5.scope/memory.reclaim"));
    CgroupApplications apps(t.places);
    AppMemory viewer = byId(apps.list(0)).at("app.slice/app-viewer-5.scope");
    const ReclaimResult got = apps.reclaim(viewer, kMiB);
    EXPECT_EQ(got.outcome, Reclaim::Failed);
    EXPECT_EQ(got.error, "memory.reclaim of viewer: Is a directory");
}

TEST(LinuxApplications, OneTrimAtATimeInTheLoginsOwnFolder) {
    FakeTree t;
    t.places.stateDir = t.top() + "/run/kestrune";
    std::filesystem::create_directories(t.top() + "/run");
    CgroupApplications apps(t.places);
    std::atomic<bool> stop{false};
    auto first = apps.takeTurn(stop, {}).value();
    ASSERT_TRUE(first);
    EXPECT_EQ(std::filesystem::status(t.places.stateDir).permissions(), std::filesystem::perms::owner_all);

    // Another (here a thread; a second copy of the program alike) waits,
    // says so once, and takes the turn as soon as it is given back.
    std::atomic<int> waited{0};
    std::atomic<bool> got{false};
    std::thread second([&] {
        auto turn = apps.takeTurn(stop, [&] { ++waited; });
        got = turn && turn.value() != nullptr;
    });
    while (waited == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_FALSE(got);
    first.reset();
    second.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(waited, 1);

    // A stop ends the wait with no turn.
    first = apps.takeTurn(stop, {}).value();
    std::thread stopped([&] { EXPECT_EQ(apps.takeTurn(stop, {}).value(), nullptr); });
    stop = true;
    stopped.join();
    first.reset();

    // A folder that is not the user's own alone, or a link, is refused, never used.
    stop = false;
    std::filesystem::permissions(t.places.stateDir, std::filesystem::perms(0755));
    EXPECT_FALSE(apps.takeTurn(stop, {}));
    std::filesystem::remove_all(t.places.stateDir);
    std::filesystem::create_directories(t.top() + "/elsewhere");
    std::filesystem::permissions(t.top() + "/elsewhere", std::filesystem::perms::owner_all);
    std::filesystem::create_directory_symlink(t.top() + "/elsewhere", t.places.stateDir);
    EXPECT_FALSE(apps.takeTurn(stop, {}));
    EXPECT_FALSE(std::filesystem::exists(t.top() + "/elsewhere/trim.lock"));

    t.places.stateDir.clear();
    t.places.stateMissing = "XDG_RUNTIME_DIR is not set, and there is no /run/user/1000";
    CgroupApplications nowhere(t.places);
    const auto none = nowhere.takeTurn(stop, {});
    ASSERT_FALSE(none) << "a turn with no folder";
    EXPECT_EQ(none.error().text,
              "No trim can start, as there is no folder to take turns in: XDG_RUNTIME_DIR is not set, and "
              "there is no /run/user/1000.");
}

TEST(LinuxApplications, AReclaimTheSystemForbidsIsRefused) {
    FakeTree t;
    t.app("app.slice/app-locked-5.scope", 100, 90, 5);
    for (const auto& e : std::filesystem::recursive_directory_iterator(t.top()))
        std::filesystem::permissions(e.path(),
                                     e.is_directory() ? std::filesystem::perms(0755) : std::filesystem::perms(0644));
    std::filesystem::permissions(t.top(), std::filesystem::perms(0755));
    ASSERT_EQ(::chmod(t.root("app.slice/app-locked-5.scope/memory.reclaim").c_str(), 0444), 0);
    CgroupApplications apps(t.places);
    AppMemory locked = byId(apps.list(0)).at("app.slice/app-locked-5.scope");
    testsupport::asUnprivileged([&] { EXPECT_EQ(apps.reclaim(locked, kMiB), Reclaim::Refused); });
}

TEST(LinuxApplications, SystemFiguresAsAPersonReadsThem) {
    FakeTree t;
    t.write("proc/meminfo",
            "MemTotal:       16000000 kB\nMemFree:         2000000 kB\nMemAvailable:    9000000 kB\n"
            "Buffers:          500000 kB\nCached:          6000000 kB\nSwapCached:          0 kB\n"
            "SwapTotal:       4000000 kB\nSwapFree:        3000000 kB\nShmem:            500000 kB\n");
    t.write("block/zram0/mm_stat", "  314572800  83886080  90000000  0  90000000  0  0  0  0\n");
    t.write("block/zram1/mm_stat", "100 50 60 0 60 0 0 0 0\n");
    t.write("block/zram2/mm_stat", "damaged\n");
    t.write("block/vda/size", "1\n");
    t.write("proc/pressure/memory",
            "some avg10=1.25 avg60=0.50 avg300=0.10 total=123\nfull avg10=0.00 avg60=0.00 "
            "avg300=0.00 total=0\n");
    CgroupApplications apps(t.places);
    SystemFigures s = apps.system();
    EXPECT_EQ(s.total, 16000000ull * 1024);
    EXPECT_EQ(s.cache, 6000000ull * 1024);  // buffers and cache, less shared memory
    EXPECT_EQ(s.used, 7000000ull * 1024);   // what the main window counts: total less available
    EXPECT_EQ(s.available, 9000000ull * 1024);
    EXPECT_EQ(s.swapTotal, 4000000ull * 1024);
    EXPECT_EQ(s.swapFree, 3000000ull * 1024);
    EXPECT_TRUE(s.zram);
    EXPECT_EQ(s.zramStored, 314572900u);
    EXPECT_EQ(s.zramCompressed, 83886130u);
    EXPECT_DOUBLE_EQ(s.pressure, 1.25);

    std::filesystem::remove_all(t.top() + "/block");
    std::filesystem::remove_all(t.top() + "/proc/pressure");
    std::filesystem::remove(t.top() + "/proc/meminfo");
    s = apps.system();
    EXPECT_FALSE(s.zram);
    EXPECT_LT(s.pressure, 0);
    EXPECT_EQ(s.total, 0u);
}

TEST(LinuxApplications, WhereItCannotWorkItSaysWhyAndWhatWouldEnableIt) {
    const std::string uid = std::to_string(::getuid());
    const std::string unit = "user@" + uid + ".service";
    struct Case {
        std::function<void(FakeTree&)> spoil;
        std::string says;
    };
    const std::vector<Case> cases{
        {[](FakeTree& t) { t.write("proc/self/cgroup", "4:memory:/process_api/4bd7\n1:cpu:/\n0::/\n"); },
         "Trimming needs the memory controller on cgroup v2, but this system runs it on cgroup v1; booting with "
         "systemd.unified_cgroup_hierarchy=1 (Debian 12's default) would enable it."},
        {[](FakeTree& t) { t.write("proc/self/mountinfo", "22 1 0:21 / /proc rw - proc proc rw\n"); },
         "Trimming needs cgroup v2, which is not mounted here; a system that boots with the unified cgroup "
         "hierarchy (Debian 12's default) would enable it."},
        {[](FakeTree& t) { t.write("cgroup/cgroup.controllers", "cpu io pids\n"); },
         "Trimming needs the kernel's memory controller, which is not available in cgroup v2 here; a kernel with "
         "it built in and not turned off (cgroup_disable=memory) would enable it."},
        {[](FakeTree& t) { std::filesystem::remove_all(t.root()); },
         "Trimming needs your systemd user instance (" + unit +
             "), which is not running for this login; logging in through systemd-logind, as desktops do, would "
             "enable it."},
        {[](FakeTree& t) { t.write(t.root("cgroup.controllers"), "cpu pids\n"); },
         "The memory controller is not enabled in your session's cgroup (" + unit +
             "); systemd's delegation of it (Delegate=pids memory cpu, Debian 12's default for user@.service) "
             "would enable it."},
        {[](FakeTree& t) {
             std::filesystem::remove(t.root("memory.reclaim"));
             t.write("proc/sys/kernel/osrelease", "5.10.0-28-amd64\n");
         },
         "Trimming needs Linux 5.19 or later for memory.reclaim, and this kernel is 5.10.0-28-amd64; a newer "
         "kernel would enable it."},
        {[](FakeTree& t) { t.places.uid += 1; },  // a session of another user: not ours to write
         ""},
    };
    for (const Case& c : cases) {
        FakeTree t;
        c.spoil(t);
        if (c.says.empty()) {
            // The other user's session, as this one would see it.
            const std::string other = std::to_string(t.places.uid);
            const std::filesystem::path session = std::filesystem::path(t.top()) / "cgroup/user.slice" /
                                                  ("user-" + other + ".slice") / ("user@" + other + ".service");
            std::filesystem::create_directories(session);
            std::filesystem::copy(t.root("cgroup.controllers"), session / "cgroup.controllers");
            std::filesystem::copy(t.root("memory.reclaim"), session / "memory.reclaim");
            CgroupApplications apps(t.places);
            EXPECT_EQ(apps.unavailable(), "Your session's cgroup (user@" + other +
                                              ".service) is not delegated to you, so its memory.reclaim may not be "
                                              "written; systemd's delegation of user@.service (Debian 12's default) "
                                              "would enable it.");
            continue;
        }
        CgroupApplications apps(t.places);
        EXPECT_EQ(apps.unavailable(), c.says);
        EXPECT_TRUE(apps.list(0).empty());
        AppMemory any;
        any.id = "app.slice/app-kestrune-1.scope";
        EXPECT_EQ(apps.reclaim(any, kMiB), Reclaim::Refused);
    }
}

TEST(LinuxApplications, CaveatsForAProgramInTheLoginScopeAndOnWayland) {
    FakeTree t;
    t.write("proc/self/cgroup", "0::/user.slice/user-" + std::to_string(::getuid()) + ".slice/session-2.scope\n");
    t.places.wayland = true;
    CgroupApplications apps(t.places);
    EXPECT_EQ(apps.unavailable(), "");
    EXPECT_EQ(apps.caveat(),
              "Kestrune runs in the login session's own cgroup, where this desktop starts its programs, so only the "
              "applications that run under your systemd user instance can be trimmed. On Wayland Kestrune "
              "cannot tell which application has the focus, so Trim Idle may include the one you are using.");
    EXPECT_EQ(apps.list(0).size(), 1u);  // nothing is Kestrune's own here
}

TEST(CgroupText, ReadsWhatTheKernelAndTheDesktopWrite) {
    using namespace cgroupfs;
    EXPECT_EQ(unifiedMount("1 0 0:1 / /sys/fs/cgroup/unified rw - cgroup2 none rw\n"
                           "2 0 0:2 /sub /elsewhere rw - cgroup2 none rw\n"
                           "3 0 0:3 / /sys/fs/cgroup rw shared:4 - cgroup2 cgroup2 rw\n"),
              "/sys/fs/cgroup");
    EXPECT_EQ(unifiedMount("1 0 0:1 / /my\\040cgroups rw - cgroup2 x rw\n"), "/my cgroups");
    EXPECT_FALSE(unifiedMount("1 0 0:1 / /sys/fs/cgroup/memory rw - cgroup x rw,memory\n- cgroup2\n"));
    EXPECT_EQ(unifiedPath("0::/user.slice/a.scope\n"), "/user.slice/a.scope");
    EXPECT_FALSE(unifiedPath("1:name=systemd:/\n"));
    EXPECT_FALSE(memoryOnV1("5:cpu,cpuacct:/\n0::/\n"));
    EXPECT_TRUE(memoryOnV1("3:cpuset:/\n7:blkio,memory:/x\n"));

    EXPECT_EQ(
        appIds("app-gnome-firefox\\x2desr-4567.scope"),
        (std::vector<std::string>{"firefox-esr", "gnome-firefox-esr", "firefox-esr-4567", "gnome-firefox-esr-4567"}));
    EXPECT_EQ(appIds("app-org.kde.konsole@1a2b.service"), std::vector<std::string>{"org.kde.konsole"});
    EXPECT_EQ(appIds("app-flatpak-org.gimp.GIMP-88.scope").front(), "org.gimp.GIMP");
    EXPECT_TRUE(appIds("app-\\x2e\\x2e\\x2fetc-1.scope").size() <= 1);  // never "../etc"
    for (const auto& id : appIds("app-\\x2e\\x2e\\x2fetc-1.scope")) EXPECT_EQ(id.find('/'), std::string::npos);
    EXPECT_TRUE(appIds("pipewire.service").empty());
    EXPECT_TRUE(appIds("app.slice").empty());

    EXPECT_EQ(localeLanguages("de_AT.UTF-8@euro"), (std::vector<std::string>{"de_AT@euro", "de_AT", "de@euro", "de"}));
    EXPECT_TRUE(localeLanguages("C.UTF-8").empty());
    EXPECT_EQ(unitDetail("app-test-reader.scope", "test"), "reader");
    EXPECT_EQ(unitDetail("app-gnome-viewer-12.scope", "Picture Viewer"), "gnome-12");
    EXPECT_EQ(unitDetail("app-test.scope", "test"), "test");  // nothing else: the unit's words whole
    EXPECT_TRUE(isApplicationUnit("background.slice/x.service"));
    EXPECT_FALSE(isApplicationUnit("session.slice/pipewire.service"));
    EXPECT_FALSE(isApplicationUnit("app.slice/"));
    EXPECT_FALSE(isApplicationUnit("pipewire.service"));

    EXPECT_TRUE(releaseAtLeast("5.19.0", 5, 19));
    EXPECT_TRUE(releaseAtLeast("6.1.0-18-amd64", 5, 19));
    EXPECT_FALSE(releaseAtLeast("5.10.0-28-amd64", 5, 19));
    EXPECT_FALSE(releaseAtLeast("garbage", 5, 19));
    EXPECT_LT(pressureSome10("full avg10=3.00\n"), 0);
    EXPECT_LT(pressureSome10("some avg10=nan avg60=0\n"), 0);
    EXPECT_EQ(field("file_mapped 9\nfile 12\n", "file"), 12u);
    EXPECT_EQ(number("max\n"), 0u);
}
