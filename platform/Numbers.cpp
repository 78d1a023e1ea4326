#include "platform/Numbers.h"

namespace platform {

std::string GroupThousands(const std::string& digits) {
    std::string out;
    std::size_t taken = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, ++taken) {
        if (taken > 0 && taken % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), *it);
    }
    return out;
}

}  // namespace platform
