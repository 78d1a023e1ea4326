#pragma once

#include <atomic>

namespace platform {

// The desktop session asking the program to end: SIGTERM at logout, SIGINT
// from a terminal, SIGHUP when that terminal closes (unless the program was
// started with it ignored, as nohup does). One object per process, for the
// whole run.
class SessionEnd {
public:
    // Installs the handlers. A first request sets requested() from the handler
    // itself (a recovery that serves no events for seconds still sees it at
    // its next tick) and makes fd() readable for the event loop. A second
    // request, while the first is being carried out, ends the process at once
    // with 0: the program has no other exit code, even cut short. So does a
    // first request whose orderly end has not ended the process 2 s later.
    SessionEnd();
    ~SessionEnd();
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    const std::atomic<bool>& requested() const;
    // Readable once a request has come; -1 when there is none to watch.
    int fd() const;
};

}  // namespace platform
