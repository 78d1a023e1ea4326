#include "support/SystemProbe.h"

#include <windows.h>

#include <psapi.h>

namespace testsupport {

std::int64_t committedKB() {
    // This process's private commit: its own share of the system's charge.
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<std::int64_t>(counters.PagefileUsage / 1024);
}

std::int64_t residentKB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<std::int64_t>(counters.WorkingSetSize / 1024);
}

std::int64_t mappedKB() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    std::int64_t bytes = 0;
    auto* at = static_cast<const char*>(info.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region{};
    while (at < info.lpMaximumApplicationAddress && VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State != MEM_FREE) bytes += static_cast<std::int64_t>(region.RegionSize);
        at = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    return bytes / 1024;
}

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace testsupport
