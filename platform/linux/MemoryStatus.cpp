#include "platform/linux/MemoryStatus.h"

#include "platform/linux/Applications.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <string_view>

namespace platform {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// Reads "  12345 kB" after a field's colon; saturates instead of wrapping.
std::uint64_t parseAmount(std::string_view rest) {
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    std::uint64_t value = 0;
    bool any = false;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(rest[i] - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
        any = true;
    }
    if (!any) return 0;
    while (i < rest.size() && rest[i] == ' ') ++i;
    if (rest.substr(i, 2) == "kB") value = value > kMax / 1024 ? kMax : value * 1024;
    return value;
}

// Visits each "Key: value" line until `visit` returns false.
template <typename Visit>
void forEachField(const char* text, std::size_t length, Visit visit) {
    if (text == nullptr) return;
    std::string_view all(text, length);
    while (!all.empty()) {
        const std::size_t end = all.find('\n');
        const std::string_view line = all.substr(0, end);
        all = end == std::string_view::npos ? std::string_view{} : all.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (!visit(line.substr(0, colon), line.substr(colon + 1))) return;
    }
}

// Whole file from offset 0 into buf; returns the bytes read (0 on any failure).
// These /proc files are made whole on every read, so a read that comes back
// short has reached the end: no second call to learn that.
std::size_t readAll(int fd, char* buf, std::size_t size) {
    if (fd < 0) return 0;
    std::size_t got = 0;
    while (got < size) {
        const std::size_t asked = size - got;
        const ssize_t n = ::pread(fd, buf + got, asked, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < asked) break;
    }
    return got;
}

int openProc(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

}  // namespace

void parseMeminfo(const char* text, std::size_t length, ProcFields& out) {
    // Ten fields, each taken once; the rest of the file is not looked at.
    unsigned found = 0;
    forEachField(text, length, [&](std::string_view key, std::string_view rest) {
        std::uint64_t* field = nullptr;
        unsigned bit = 0;
        if (key == "MemTotal")
            field = &out.memTotal, bit = 1;
        else if (key == "MemAvailable")
            field = &out.memAvailable, bit = 2;
        else if (key == "SwapTotal")
            field = &out.swapTotal, bit = 4;
        else if (key == "SwapFree")
            field = &out.swapFree, bit = 8;
        else if (key == "CommitLimit")
            field = &out.commitLimit, bit = 16;
        else if (key == "Committed_AS")
            field = &out.committedAS, bit = 32;
        else if (key == "MemFree")
            field = &out.memFree, bit = 64;
        else if (key == "Buffers")
            field = &out.buffers, bit = 128;
        else if (key == "Cached")
            field = &out.cached, bit = 256;
        else if (key == "Shmem")
            field = &out.shmem, bit = 512;
        if (field != nullptr && (found & bit) == 0) {
            *field = parseAmount(rest);
            found |= bit;
        }
        return found != 1023;
    });
}

void parseStatus(const char* text, std::size_t length, ProcFields& out) {
    forEachField(text, length, [&out](std::string_view key, std::string_view rest) {
        if (key != "VmSize") return true;
        out.vmSize = parseAmount(rest);
        return false;
    });
}

bool parseStrictOvercommit(const char* text, std::size_t length) {
    std::string_view v(text == nullptr ? "" : text, text == nullptr ? 0 : length);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    return !v.empty() && v.front() == '2' && (v.size() == 1 || v[1] < '0' || v[1] > '9');
}

MemoryStatus composeStatus(const ProcFields& f, bool strictOvercommit, std::uint64_t addressSpace) {
    MemoryStatus s;
    s.totalPhys = f.memTotal;
    s.availPhys = std::min(f.memAvailable, f.memTotal);
    const std::uint64_t swapFree = std::min(f.swapFree, f.swapTotal);
    // Either page-file figure moves with the available RAM; only the swap
    // lies beyond it.
    s.availBeyondPhys = swapFree;
    s.totalBeyondPhys = f.swapTotal;
    if (strictOvercommit) {
        // The kernel refuses commits beyond CommitLimit: that is the page file.
        s.totalPageFile = f.commitLimit;
        s.availPageFile = f.commitLimit > f.committedAS ? f.commitLimit - f.committedAS : 0;
    } else {
        // The commit account is advisory; what can still be backed is RAM and swap.
        s.totalPageFile = f.memTotal > kMax - f.swapTotal ? kMax : f.memTotal + f.swapTotal;
        s.availPageFile = std::min(s.totalPageFile, s.availPhys + swapFree);
    }
    s.totalVirtual = addressSpace;
    s.availVirtual = addressSpace > f.vmSize ? addressSpace - f.vmSize : 0;
    if (s.totalPhys != 0) {
        const std::uint64_t used = s.totalPhys - s.availPhys;
        // used * 100 cannot overflow for any real amount; divide first when it would.
        s.memoryLoad =
            static_cast<std::uint32_t>(used <= kMax / 100 ? used * 100 / s.totalPhys : used / (s.totalPhys / 100));
    }
    return s;
}

std::uint64_t userAddressSpace() {
#if defined(__x86_64__)
    std::uint64_t arch = (std::uint64_t{1} << 47) - 4096;  // 4-level paging TASK_SIZE
#elif defined(__aarch64__)
    std::uint64_t arch = std::uint64_t{1} << 48;
#else
    std::uint64_t arch = sizeof(void*) == 4 ? std::uint64_t{3} << 30 : std::uint64_t{1} << 47;
#endif
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        arch = std::min<std::uint64_t>(arch, limit.rlim_cur);
    return arch;
}

ProcMemorySource::ProcMemorySource(const std::string& root, std::optional<std::uint64_t> addressSpace)
    : meminfo_(openProc(root + "/meminfo")),
      status_(openProc(root + "/self/status")),
      overcommit_(openProc(root + "/sys/vm/overcommit_memory")),
      addressSpace_(addressSpace) {}

ProcMemorySource::~ProcMemorySource() {
    for (int fd : {meminfo_, status_, overcommit_})
        if (fd >= 0) ::close(fd);
}

MemoryStatus ProcMemorySource::sample() {
    char buf[16384];
    ProcFields fields;
    std::size_t n = readAll(meminfo_, buf, sizeof buf);
    parseMeminfo(buf, n, fields);
    n = readAll(status_, buf, sizeof buf);
    parseStatus(buf, n, fields);
    // The overcommit mode and the address-space limit are settings an
    // administrator changes, not figures that move: read again only when
    // the last reading is older than kSettingsAge. Samples on other threads
    // may both read; either reading is right.
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto readAt = settingsReadAt_.load(std::memory_order_relaxed);
    if (readAt == 0 || now - readAt >= std::chrono::steady_clock::duration(kSettingsAge).count()) {
        n = readAll(overcommit_, buf, 16);
        strict_.store(parseStrictOvercommit(buf, n), std::memory_order_relaxed);
        addressSpaceNow_.store(addressSpace_ ? *addressSpace_ : userAddressSpace(), std::memory_order_relaxed);
        settingsReadAt_.store(now, std::memory_order_relaxed);
    }
    return composeStatus(fields, strict_.load(std::memory_order_relaxed),
                         addressSpaceNow_.load(std::memory_order_relaxed));
}

MemorySource& systemMemory() {
    static ProcMemorySource source;
    return source;
}

// Read as the Applications window and the schedule thread read it: a kernel
// built without it lacks the file, one started with psi=0 refuses the read.
bool reportsMemoryPressure() {
    const int fd = openProc("/proc/pressure/memory");
    char text[256];
    const std::size_t length = readAll(fd, text, sizeof text);
    if (fd >= 0) ::close(fd);
    return cgroupfs::pressureSome10(std::string_view(text, length)) >= 0;
}

}  // namespace platform
