#include "support/StoredValues.h"

#include "platform/RegistryReaderWriter.h"

#include <algorithm>

namespace testsupport {

std::string storedText(const std::string& key, const std::string& name) {
    platform::RegistryReaderWriter reg;
    reg.setKeyName(key);
    bool ok = false;
    std::string text = reg.readString(name, ok);
    return ok ? text : "(none)";
}

Values storedValues(const std::string& key) {
    Values out;
    platform::RegistryReaderWriter reg;
    reg.setKeyName(key);
    if (!reg.startEnumeration()) return out;
    for (bool more = true;;) {
        const std::string name = reg.nextValueName(more);
        if (!more) break;
        bool ok = false;
        out.emplace_back(name, reg.readString(name, ok));
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool storeText(const std::string& key, const std::string& name, const std::string& text) {
    platform::RegistryReaderWriter reg;
    reg.setKeyName(key);
    return reg.writeString(text, name);
}

}  // namespace testsupport
