#include "support/IsolatedStore.h"

#include "platform/Registry.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace testsupport {
namespace {

// The product key's parent: made volatile, it refuses the product key. Its
// own parent must never be volatile, or nothing below it could be written
// again.
constexpr char kVendorsKey[] = "SOFTWARE\\Tarnwick Technologies";
constexpr char kVendorKey[] = "SOFTWARE\\Tarnwick Technologies\\Orbenfold";

void createKey(const char* name, DWORD options) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
}

// The per-user copies a standard user's store falls back to, and the virtual
// stores an earlier build could have left.
constexpr const char* kUserKeys[] = {
    platform::kProductKey,
    kTestKey,
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\Tarnwick Technologies",
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Tarnwick Technologies",
};

void clear() {
    for (const char* key : {platform::kProductKey, kTestKey}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    for (const char* key : kUserKeys) RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

}  // namespace

struct IsolatedStore::State {
    bool unwritable = false;
};

IsolatedStore::IsolatedStore() : state_(std::make_unique<State>()) { clear(); }

IsolatedStore::~IsolatedStore() {
    clear();
    // The volatile parent goes too, or no later test could write.
    if (state_->unwritable) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
}

void IsolatedStore::makeUnwritable() {
    // A key below a volatile key must be volatile too, so the program's
    // non-volatile product key can no longer be made. Every key that one
    // call creates gets its options: the parent comes first, non-volatile.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
    createKey(kVendorsKey, REG_OPTION_NON_VOLATILE);
    createKey(kVendorKey, REG_OPTION_VOLATILE);
    state_->unwritable = true;
}

// The registry keeps each call whole and holds no lock between calls.
bool IsolatedStore::holdWriteLock() { return false; }

void IsolatedStore::releaseWriteLock() {}

std::string IsolatedStore::rawValue(const std::string& key, const std::string& name) const {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &open) != ERROR_SUCCESS) return "";
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    const LONG result = RegQueryValueExA(open, name.c_str(), nullptr, &type, data, &size);
    RegCloseKey(open);
    if (result != ERROR_SUCCESS) return "";
    std::string out = std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", data[i]);
        out += hex;
    }
    return out;
}

std::string IsolatedStore::file() const { return ""; }

}  // namespace testsupport
