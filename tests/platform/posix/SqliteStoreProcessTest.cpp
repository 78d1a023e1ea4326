// The SQLite store under stress: listings that stay steady while values
// before them go, another program writing, and writers killed mid-write.
#include "../RegistryStress.h"
#include "SqliteTestSupport.h"

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>

using namespace platform;
using namespace registrystress;
using registrytest::sql;

namespace {

constexpr char kWriterFd[] = "KESTRUNE_STRESS_WRITER_FD";

// Started again as the writing program of TwoProgramsShareTheStore, this
// binary does only that, before main.
[[maybe_unused]] const bool kWriterChild = [] {
    const char* fd = std::getenv(kWriterFd);
    if (!fd) return false;
    churn(
        [out = std::atoi(fd)](Ack a) {
            if (write(out, &a, sizeof a) != sizeof a) std::_Exit(3);
        },
        true);
    std::_Exit(0);
}();

using RegistryStoreProcessTest = StressTest<true>;

TEST_F(RegistryStoreProcessTest, AListingStaysSteadyWhileValuesBeforeItGo) { listWhileAThreadWrites(); }

TEST_F(RegistryStoreProcessTest, TwoProgramsShareTheStore) {
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
    registrytest::CerrCapture err;
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
    EXPECT_GT(passes, 5);  // interleaved with the writer, even on a loaded machine
    expectAcknowledged(acks);
}

TEST_F(RegistryStoreProcessTest, KilledWriterLosesNoAcknowledgedWrite) {
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

        EXPECT_EQ(sql(store_.file(), "PRAGMA integrity_check"), "ok") << "after kill " << k;
        EXPECT_GE(acked.size(), static_cast<std::size_t>(1 + k % 5));
        Reg r(kKey);
        for (const std::int32_t a : acked) EXPECT_EQ(r.read("k" + std::to_string(a)), "k" + std::to_string(a));
    }
}

}  // namespace
