#include "support/SystemProbe.h"

#include <fstream>
#include <sstream>
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

// The sizes of this process's accountable mappings: what it adds to the
// system's Committed_AS, without the noise of every other program on the
// machine (a parallel test run moved that by hundreds of MB).
std::int64_t committedKB() {
    std::ifstream in("/proc/self/smaps");
    if (!in) return -1;
    std::int64_t total = 0;
    std::int64_t size = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Size:", 0) == 0) {
            size = std::stoll(line.substr(5));
        } else if (line.rfind("VmFlags:", 0) == 0) {
            std::istringstream flags(line.substr(8));
            std::string flag;
            while (flags >> flag)
                if (flag == "ac") total += size;
            size = 0;
        }
    }
    return total;
}

std::int64_t residentKB() { return procKB("/proc/self/status", "VmRSS"); }

std::int64_t mappedKB() { return procKB("/proc/self/status", "VmSize"); }

bool underWine() { return false; }

}  // namespace testsupport
