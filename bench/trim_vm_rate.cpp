// The rate at which Trim Memory takes file cache back, against one bare write
// of an amount to memory.reclaim. Only a kernel with cgroup v2's
// memory.reclaim and a delegated session can run it: tools/session-vm runs both
// forms in its virtual machine, in the same boot, and prints the ratio.
//   trim_vm_rate engine ID       trims the session's application ID
//   trim_vm_rate bare DIR BYTES [STEP]
//                                writes BYTES to DIR/memory.reclaim once, or in
//                                writes of STEP bytes
// Each prints "freed BYTES seconds S", freed from memory.current before and after.
#include "platform/linux/Applications.h"
#include "trim/Trim.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::uint64_t current(const std::string& dir) {
    std::ifstream in(dir + "/memory.current");
    std::uint64_t v = 0;
    in >> v;
    return v;
}

int engine(const std::string& id) {
    platform::CgroupApplications apps(platform::CgroupPlaces::fromEnvironment());
    if (!apps.unavailable().empty()) {
        std::fprintf(stderr, "%s\n", apps.unavailable().c_str());
        return 1;
    }
    for (const platform::AppMemory& app : apps.list(0)) {
        if (app.id != id) continue;
        const std::atomic<bool> stop{false};
        const auto start = std::chrono::steady_clock::now();
        std::fprintf(stderr, "engine: %s in use %llu, file %llu, anon %llu\n", app.id.c_str(),
                     static_cast<unsigned long long>(app.inUse), static_cast<unsigned long long>(app.cache),
                     static_cast<unsigned long long>(app.anon));
        int steps = 0;
        const kestrune::TrimResult r = kestrune::trimApplications(
            apps, {app}, stop, [&steps](const platform::AppMemory& now, const kestrune::TrimResult&) {
                ++steps;
                // On stderr, so that the timed line stays alone on stdout.
                std::fprintf(stderr, "engine: step %d: in use %llu, file %llu\n", steps,
                             static_cast<unsigned long long>(now.inUse), static_cast<unsigned long long>(now.cache));
            });
        const double s = seconds(start);
        std::printf("freed %llu seconds %.6f steps %d\n", static_cast<unsigned long long>(r.freed), s, steps);
        return 0;
    }
    std::fprintf(stderr, "no application %s\n", id.c_str());
    return 1;
}

int bare(const std::string& dir, std::uint64_t bytes, std::uint64_t step) {
    const std::uint64_t before = current(dir);
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open((dir + "/memory.reclaim").c_str(), O_WRONLY | O_CLOEXEC);
    for (std::uint64_t asked = 0; fd >= 0 && asked < bytes; asked += step) {
        const std::string amount = std::to_string(std::min(step, bytes - asked));
        if (::write(fd, amount.data(), amount.size()) < 0) {
            if (errno == EAGAIN) break;
            std::perror("memory.reclaim");
            return 1;
        }
    }
    if (fd < 0) {
        std::perror("memory.reclaim");
        return 1;
    }
    ::close(fd);
    const double s = seconds(start);
    const std::uint64_t after = current(dir);
    std::printf("freed %llu seconds %.6f\n", static_cast<unsigned long long>(before > after ? before - after : 0), s);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "engine") == 0) return engine(argv[2]);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "bare") == 0) {
        const std::uint64_t bytes = std::strtoull(argv[3], nullptr, 10);
        const std::uint64_t step = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : bytes;
        if (bytes > 0 && step > 0) return bare(argv[2], bytes, step);
    }
    std::fprintf(stderr, "usage: trim_vm_rate engine ID | bare DIR BYTES [STEP]\n");
    return 2;
}
