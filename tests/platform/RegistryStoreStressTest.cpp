#include "RegistryTestSupport.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <map>
#include <thread>

#include <fcntl.h>
#include <spawn.h>

using namespace platform;
using namespace registrytest;

namespace {

constexpr char kKey[] = "SOFTWARE\\Kestrune Stress";
constexpr int kStable = 20;
constexpr int kRounds = 2000;
constexpr int kEarly = kRounds / 10;
constexpr char kWriterFd[] = "KESTRUNE_STRESS_WRITER_FD";

std::string stable(int i) { return "s" + std::to_string(i); }
std::string churned(int round) { return "w" + std::to_string(round); }
std::string early(int i) { return "e" + std::to_string(i); }

struct Ack {
    char op;  // 'w' wrote churned(round), 'd' deleted it, 'e' deleted early(round)
    std::int32_t round;
};

// Adds a value each round and deletes the one before every other round, each
// with a fresh object as the schedule thread makes them. Every tenth round it
// also deletes a value listed before the stable ones, which moves them all up
// a place. It never touches the stable names.
void churn(const std::function<void(Ack)>& acked) {
    for (int r = 0; r < kRounds; ++r) {
        Reg w(kKey);
        if (w.writeString("d" + churned(r), churned(r))) acked({'w', r});
        if (r % 2 == 1 && w.deleteValue(churned(r - 1))) acked({'d', r - 1});
        if (r % 10 == 0 && w.deleteValue(early(r / 10))) acked({'e', r / 10});
    }
}

// Started again as the writing program of TwoProgramsShareTheStore, this
// binary does only that, before main.
[[maybe_unused]] const bool kWriterChild = [] {
    const char* fd = std::getenv(kWriterFd);
    if (!fd) return false;
    churn([out = std::atoi(fd)](Ack a) {
        if (write(out, &a, sizeof a) != sizeof a) std::_Exit(3);
    });
    std::_Exit(0);
}();

class RegistryStoreStressTest : public StoreTest {
protected:
    void SetUp() override {
        Reg r(kKey);
        for (int i = 0; i < kEarly; ++i) ASSERT_TRUE(r.writeString("e", early(i)));
        for (int i = 0; i < kStable; ++i) ASSERT_TRUE(r.writeString("d" + stable(i), stable(i)));
    }

    // One listing while the other side writes: each stable name comes exactly
    // once and reads right on the listing object meanwhile. It then writes
    // too, so two writers meet.
    static void listOnce(int pass) {
        Reg r(kKey);
        EXPECT_TRUE(r.writeNumber(pass, "passes"));
        ASSERT_TRUE(r.startEnumeration());
        std::map<std::string, int> seen;
        for (std::string name = r.next(); name != "!null"; name = r.next()) {
            ++seen[name];
            const std::string data = r.read(name);
            if (name[0] == 's') {
                EXPECT_EQ(data, "d" + name);
            }
        }
        for (int i = 0; i < kStable; ++i) ASSERT_EQ(seen[stable(i)], 1) << stable(i);
    }

    // Every change was acknowledged and is in the store.
    static void expectAcknowledged(const std::vector<Ack>& acks) {
        EXPECT_EQ(acks.size(), static_cast<std::size_t>(kRounds + kRounds / 2 + kEarly));
        std::map<std::string, bool> present;
        for (const Ack& a : acks) present[a.op == 'e' ? early(a.round) : churned(a.round)] = a.op == 'w';
        Reg r(kKey);
        for (const auto& [name, there] : present) EXPECT_EQ(r.read(name), there ? "d" + name : "!null") << name;
    }
};

TEST_F(RegistryStoreStressTest, ThreadsWithObjectsOfTheirOwnShareTheStore) {
    CerrCapture err;  // reads of values deleted meanwhile report errors; only this thread reads
    std::vector<Ack> acks;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        churn([&](Ack a) { acks.push_back(a); });
        done = true;
    });
    int passes = 0;
    for (; !done && !HasFatalFailure(); ++passes) listOnce(passes);
    writer.join();
    EXPECT_GT(passes, 20);
    expectAcknowledged(acks);
}

TEST_F(RegistryStoreStressTest, TwoProgramsShareTheStore) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
    // A fresh program, so nothing of this one's SQLite state crosses over.
    char name[] = "registry_store_stress_writer";
    char* argv[] = {name, nullptr};
    pid_t pid = 0;
    setenv(kWriterFd, std::to_string(fds[1]).c_str(), 1);
    const int spawned = posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, environ);
    unsetenv(kWriterFd);
    ASSERT_EQ(spawned, 0);
    close(fds[1]);
    CerrCapture err;
    std::vector<Ack> acks;
    int passes = 0;
    for (bool open = true; open; ++passes) {
        listOnce(passes);
        Ack a{};
        ssize_t n = 0;
        while ((n = read(fds[0], &a, sizeof a)) == sizeof a) acks.push_back(a);
        open = n != 0 && !HasFatalFailure();
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_GT(passes, 20);
    expectAcknowledged(acks);
}

TEST_F(RegistryStoreStressTest, KilledWriterLosesNoAcknowledgedWrite) {
    for (int k = 0; k < 50 && !HasFailure(); ++k) {
        SqliteStore::closeIdleConnections();  // the child must inherit no connection
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            for (std::int32_t i = k * 100000; i < (k + 1) * 100000; ++i)
                if (Reg(kKey).writeString("k" + std::to_string(i), "k" + std::to_string(i)))
                    if (write(fds[1], &i, sizeof i) != sizeof i) _exit(3);
            _exit(0);
        }
        close(fds[1]);
        // Let it acknowledge a few writes, then kill it at a moment that
        // varies from one round to the next.
        std::vector<std::int32_t> acked;
        std::int32_t i = 0;
        while (acked.size() < static_cast<std::size_t>(1 + k % 5) && read(fds[0], &i, sizeof i) == sizeof i)
            acked.push_back(i);
        usleep(static_cast<useconds_t>(k * 137 % 1000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        while (read(fds[0], &i, sizeof i) == sizeof i) acked.push_back(i);
        close(fds[0]);

        EXPECT_EQ(sql(store(), "PRAGMA integrity_check"), "ok") << "after kill " << k;
        EXPECT_GE(acked.size(), static_cast<std::size_t>(1 + k % 5));
        Reg r(kKey);
        for (const std::int32_t a : acked) EXPECT_EQ(r.read("k" + std::to_string(a)), "k" + std::to_string(a));
    }
}

}  // namespace
