#include "platform/posix/SessionEnd.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// What the handler touches: lock-free atomics only.
std::atomic<bool> ending{false};
std::atomic<int> wakeWrite{-1};
int wakeRead = -1;
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// How long the orderly end may take. It runs on the UI thread, which may be
// stuck where no event is served (a reply from an X server that cannot send
// it, a toolkit thread that never started); past this the process ends
// anyway, with the store safe, as its every write is a whole transaction.
constexpr unsigned kOrderlyEndSeconds = 2;

extern "C" void onOrderlyEndOverdue(int) { _exit(0); }

extern "C" void onEndSignal(int) {
    if (ending.exchange(true)) _exit(0);
    const int saved = errno;
    alarm(kOrderlyEndSeconds);
    const int fd = wakeWrite.load();
    const char byte = 1;
    if (fd >= 0 && write(fd, &byte, 1) < 0) {
        // A full pipe is already readable; the flag is what counts.
    }
    errno = saved;
}

}  // namespace

SessionEnd::SessionEnd() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the UI thread's waits go on undisturbed
    struct sigaction overdue {};
    overdue.sa_handler = onOrderlyEndOverdue;
    sigemptyset(&overdue.sa_mask);
    sigaction(SIGALRM, &overdue, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // The terminal it was started from closing, unless it was started so as
    // to outlive that (nohup).
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN) sigaction(SIGHUP, &action, nullptr);
}

SessionEnd::~SessionEnd() {
    // The handlers stay to the end: a request during the last of the shutdown
    // still finds the first one's rule. Only the pipe goes.
    const int w = wakeWrite.exchange(-1);
    if (w >= 0) close(w);
    if (wakeRead >= 0) close(wakeRead);
    wakeRead = -1;
}

const std::atomic<bool>& SessionEnd::requested() const { return ending; }

int SessionEnd::fd() const { return wakeRead; }

}  // namespace platform
