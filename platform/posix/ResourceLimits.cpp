#include "platform/posix/ResourceLimits.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <pthread.h>
#include <sys/resource.h>

namespace platform {
namespace {

// Descriptors open now, the one counting them aside.
unsigned openDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return 0;
    unsigned count = 0;
    while (const dirent* e = readdir(dir)) {  // NOLINT(concurrency-mt-unsafe): a stream of its own
        if (e->d_name[0] != '.') ++count;
    }
    closedir(dir);
    return count > 0 ? count - 1 : 0;
}

// The probe's threads only wait: the smallest stack will do.
constexpr std::size_t kProbeStack = std::size_t{64} * 1024;

struct Gate {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t open = PTHREAD_COND_INITIALIZER;
    bool opened = false;
};

extern "C" void* waitAtGate(void* arg) {
    auto* gate = static_cast<Gate*>(arg);
    pthread_mutex_lock(&gate->mutex);
    while (!gate->opened) pthread_cond_wait(&gate->open, &gate->mutex);
    pthread_mutex_unlock(&gate->mutex);
    return nullptr;
}

}  // namespace

Result<void> fitDescriptors() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return {};
    const rlim_t needed = rlim_t{openDescriptors()} + kDescriptorsToRun;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= needed) return {};
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= needed) {
        limit.rlim_cur = needed;
        if (setrlimit(RLIMIT_NOFILE, &limit) == 0) return {};
    }
    // What the run would meet once out of descriptors.
    return Error{"Kestrune needs " + std::to_string(needed) +
                     " file descriptors to run, and its limit (ulimit -n) allows " + std::to_string(limit.rlim_max) +
                     ".",
                 EMFILE};
}

Result<void> threadShortage() {
    Gate gate;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, std::max(kProbeStack, static_cast<std::size_t>(PTHREAD_STACK_MIN)));
    std::vector<pthread_t> started;
    int error = 0;
    for (unsigned i = 0; i < kThreadsToRun; ++i) {
        pthread_t thread{};
        error = pthread_create(&thread, &attr, waitAtGate, &gate);
        if (error != 0) break;
        started.push_back(thread);
    }
    pthread_attr_destroy(&attr);
    pthread_mutex_lock(&gate.mutex);
    gate.opened = true;
    pthread_cond_broadcast(&gate.open);
    pthread_mutex_unlock(&gate.mutex);
    for (const pthread_t thread : started) pthread_join(thread, nullptr);
    if (error == 0) return {};
    const std::string why = error == EAGAIN ? "its limit on processes (ulimit -u) or the system's on threads allows "
                                            : "the system allows ";
    return Error{"Kestrune needs " + std::to_string(kThreadsToRun) + " threads to run, and " + why + "only " +
                     std::to_string(started.size()) + " more (" +
                     std::strerror(error) +  // NOLINT(concurrency-mt-unsafe)
                     ").",
                 error};
}

}  // namespace platform
