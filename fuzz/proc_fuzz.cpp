// Arbitrary contents for /proc/meminfo, /proc/self/status and the overcommit
// setting: the parsers take any bytes and the sample stays consistent.
#include "platform/linux/MemoryStatus.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is the three files one after another, split at 0xFF bytes.
    const char* text = reinterpret_cast<const char*>(data);
    const char* end = text + size;
    const char* parts[3] = {text, text, text};
    std::size_t lengths[3] = {0, 0, 0};
    const char* at = text;
    for (int i = 0; i < 3; ++i) {
        const void* cut = std::memchr(at, 0xFF, static_cast<std::size_t>(end - at));
        const char* stop = cut != nullptr ? static_cast<const char*>(cut) : end;
        parts[i] = at;
        lengths[i] = static_cast<std::size_t>(stop - at);
        at = stop == end ? end : stop + 1;
    }
    platform::ProcFields fields;
    platform::parseMeminfo(parts[0], lengths[0], fields);
    platform::parseStatus(parts[1], lengths[1], fields);
    const bool strict = platform::parseStrictOvercommit(parts[2], lengths[2]);
    const std::uint64_t space = fields.memTotal ^ fields.vmSize;  // any address space, too
    const platform::MemoryStatus s = platform::composeStatus(fields, strict, space);
    if (s.availPhys > s.totalPhys || s.availPageFile > s.totalPageFile || s.availVirtual > s.totalVirtual ||
        s.memoryLoad > 100)
        std::abort();
    return 0;
}
