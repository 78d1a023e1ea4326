#include "platform/posix/SessionEnd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include <poll.h>
#include <unistd.h>

namespace {

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

// In a child process: the handlers are the process's own.
void firstThenSecond(int first, int second) {
    platform::SessionEnd end;
    if (end.requested() || readable(end.fd())) _exit(1);
    raise(first);
    if (!end.requested() || !readable(end.fd())) _exit(2);
    raise(second);  // the second request ends the process at once
    _exit(3);
}

}  // namespace

TEST(SessionEnd, TheFirstSignalIsRecordedAndWakesTheLoopTheSecondEndsWithZero) {
    EXPECT_EXIT(firstThenSecond(SIGTERM, SIGTERM), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(firstThenSecond(SIGINT, SIGTERM), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(firstThenSecond(SIGHUP, SIGHUP), testing::ExitedWithCode(0), "");
}

// Started with the hang-up ignored (nohup): the closing terminal leaves it running.
TEST(SessionEnd, AnIgnoredHangUpStaysIgnored) {
    EXPECT_EXIT(
        {
            signal(SIGHUP, SIG_IGN);
            platform::SessionEnd end;
            raise(SIGHUP);
            _exit(end.requested() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

// A UI thread stuck where no event is served never carries the first request
// out: the process ends all the same, soon after it.
TEST(SessionEnd, AFirstSignalNotCarriedOutEndsTheProcessWithZeroSoonAfter) {
    EXPECT_EXIT(
        {
            platform::SessionEnd end;
            const auto start = std::chrono::steady_clock::now();
            raise(SIGTERM);
            while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) pause();
            _exit(1);
        },
        testing::ExitedWithCode(0), "");
}
