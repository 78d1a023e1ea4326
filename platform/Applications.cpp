#include "platform/Applications.h"

#include <map>

namespace platform {

void distinguish(std::vector<AppMemory>& apps) {
    const auto counts = [&apps] {
        std::map<std::string, int> n;
        for (const AppMemory& a : apps) ++n[a.name];
        return n;
    };
    std::map<std::string, int> same = counts();
    for (AppMemory& a : apps)
        if (same[a.name] > 1 && !a.detail.empty()) a.name += " (" + a.detail + ")";
    // Where even what tells them apart is the same: a number after the first.
    same = counts();
    std::map<std::string, int> seen;
    for (AppMemory& a : apps)
        if (same[a.name] > 1 && ++seen[a.name] > 1) a.name += " " + std::to_string(seen[a.name]);
}

}  // namespace platform
