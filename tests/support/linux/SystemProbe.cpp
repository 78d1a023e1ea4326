#include "support/SystemProbe.h"

#include <fstream>
#include <string>

namespace testsupport {
namespace {

// The kB figure of one field of a /proc file ("Committed_AS", "VmRSS"); -1 if absent.
std::int64_t procKB(const char* file, const char* field) {
    std::ifstream in(file);
    std::string key;
    std::int64_t value = 0;
    while (in >> key) {
        if (key == std::string(field) + ":") {
            in >> value;
            return value;
        }
        in.ignore(1 << 12, '\n');
    }
    return -1;
}

}  // namespace

std::int64_t committedKB() { return procKB("/proc/meminfo", "Committed_AS"); }

std::int64_t residentKB() { return procKB("/proc/self/status", "VmRSS"); }

std::int64_t mappedKB() { return procKB("/proc/self/status", "VmSize"); }

bool underWine() { return false; }

}  // namespace testsupport
