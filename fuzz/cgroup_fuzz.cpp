// Arbitrary contents for the files the applications back end reads:
// /proc/PID/cgroup, mountinfo, memory.stat, a unit's name, a desktop entry,
// the pressure file, a zram mm_stat and a kernel release. The parsers take any
// bytes and what they give back keeps its promises.
#include "platform/linux/Applications.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is the files one after another, split at 0xFF bytes.
    constexpr int kParts = 8;
    std::string_view parts[kParts];
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (auto& part : parts) {
        const std::size_t cut = rest.find('\xff');
        part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    }
    using namespace platform::cgroupfs;
    if (const auto path = unifiedPath(parts[0]); path && path->front() != '/') std::abort();
    (void)memoryOnV1(parts[0]);
    if (const auto mount = unifiedMount(parts[1]); mount && (mount->empty() || mount->front() != '/')) std::abort();
    (void)field(parts[2], "file");
    (void)number(parts[2]);
    (void)listHas(parts[2], "memory");
    for (const std::string& id : appIds(parts[3]))
        if (id.empty() || id.front() == '.' || id.find('/') != std::string::npos) std::abort();
    (void)unescapeUnit(parts[3]);
    (void)desktopName(parts[4]);
    const double pressure = pressureSome10(parts[5]);
    if (!(pressure == -1.0 || (pressure >= 0 && pressure <= 100))) std::abort();
    std::uint64_t stored = 0, compressed = 0;
    (void)zramSizes(parts[6], stored, compressed);
    (void)releaseAtLeast(parts[7], 5, 19);
    return 0;
}
