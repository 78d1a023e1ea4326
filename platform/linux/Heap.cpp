#include "platform/Heap.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <string>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

namespace {

// A cgroup file's one count; none for "max" (no limit) or an unreadable file.
std::optional<std::uint64_t> readCount(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "re");
    if (f == nullptr) return std::nullopt;
    unsigned long long n = 0;
    const bool read = std::fscanf(f, "%llu", &n) == 1;
    std::fclose(f);
    if (!read) return std::nullopt;
    return static_cast<std::uint64_t>(n);
}

// The tightest limit less usage along `path` and its ancestors: a parent's
// limit binds its children too.
std::uint64_t roomAlong(const std::string& base, std::string path, const char* limitFile, const char* usageFile) {
    std::uint64_t room = std::numeric_limits<std::uint64_t>::max();
    for (;;) {
        const std::string dir = base + (path == "/" ? "" : path) + "/";
        const auto limit = readCount(dir + limitFile);
        const auto usage = readCount(dir + usageFile);
        if (limit && usage) room = std::min(room, *limit > *usage ? *limit - *usage : 0);
        if (path.empty() || path == "/") break;
        path.erase(std::max<std::size_t>(path.rfind('/'), 1));
    }
    return room;
}

bool exists(const char* path) { return access(path, F_OK) == 0; }

constexpr std::size_t kLimitedThreadStack = 1 << 20;

}  // namespace

std::uint64_t processMemoryRoom() {
    std::uint64_t room = std::numeric_limits<std::uint64_t>::max();
    std::ifstream cgroups("/proc/self/cgroup");
    std::string line;
    // Lines are "id:controllers:path"; the unified hierarchy's has no controllers.
    while (std::getline(cgroups, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            const char* base =
                exists("/sys/fs/cgroup/cgroup.controllers") ? "/sys/fs/cgroup" : "/sys/fs/cgroup/unified";
            room = std::min(room, roomAlong(base, path, "memory.max", "memory.current"));
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            room = std::min(room,
                            roomAlong("/sys/fs/cgroup/memory", path, "memory.limit_in_bytes", "memory.usage_in_bytes"));
        }
    }
    return room;
}

// glibc keeps freed pages in each thread's arena until the process ends;
// malloc_trim gives back the free pages of every arena.
void returnFreeHeap() { malloc_trim(0); }

void fitThreadsToAddressSpace() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
    mallopt(M_ARENA_MAX, 1);  // NOLINT(concurrency-mt-unsafe): no other thread runs yet
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return;
    if (pthread_attr_setstacksize(&attributes, kLimitedThreadStack) == 0) pthread_setattr_default_np(&attributes);
    pthread_attr_destroy(&attributes);
}

}  // namespace platform
