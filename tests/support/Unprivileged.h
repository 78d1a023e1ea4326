#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// Runs `body` where file permissions bind: here, or, when running as root
// (which they don't bind), in a forked child turned into the user nobody.
// `settle` runs before the fork and in the child after `body`: it closes what
// the child must not inherit or leave open. False if that was impossible,
// with the test marked skipped.
inline bool asUnprivileged(const std::function<void()>& body, const std::function<void()>& settle = {}) {
    if (geteuid() != 0) {
        body();
        return true;
    }
    if (settle) settle();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
        body();
        if (settle) settle();
        std::fflush(nullptr);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        [] { GTEST_SKIP() << "running as root, where file permissions do not apply, and cannot become uid 65534"; }();
        return false;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the unprivileged child failed (its output is above)";
    return true;
}

}  // namespace testsupport
