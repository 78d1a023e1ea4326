#include "platform/MemoryStatus.h"

#include <windows.h>

namespace platform {
namespace {

// The system's own reading; the byte counts are 64-bit already.
class GlobalMemorySource final : public MemorySource {
public:
    MemoryStatus sample() override {
        MEMORYSTATUSEX m{};
        m.dwLength = sizeof m;
        if (!GlobalMemoryStatusEx(&m)) return {};
        return {m.dwMemoryLoad,    m.ullTotalPhys,    m.ullAvailPhys,     m.ullTotalPageFile, m.ullAvailPageFile,
                m.ullTotalVirtual, m.ullAvailVirtual, m.ullAvailPageFile, m.ullTotalPageFile};
    }
};

}  // namespace

MemorySource& systemMemory() {
    static GlobalMemorySource source;
    return source;
}

// Windows keeps no share of time stalled for memory.
bool reportsMemoryPressure() { return false; }

}  // namespace platform
