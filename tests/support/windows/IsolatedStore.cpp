#include "support/IsolatedStore.h"

#include "platform/Registry.h"
#include "platform/windows/Text.h"

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
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::windows::wide(name).c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) == ERROR_SUCCESS)
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
    for (const char* key : {platform::kProductKey, kTestKey})
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, platform::windows::wide(key).c_str());
    for (const char* key : kUserKeys) RegDeleteTreeW(HKEY_CURRENT_USER, platform::windows::wide(key).c_str());
}

}  // namespace

struct IsolatedStore::State {
    bool unwritable = false;
};

IsolatedStore::IsolatedStore() : state_(std::make_unique<State>()) { clear(); }

IsolatedStore::~IsolatedStore() {
    clear();
    // The volatile parent goes too, or no later test could write.
    if (state_->unwritable) RegDeleteTreeW(HKEY_LOCAL_MACHINE, platform::windows::wide(kVendorKey).c_str());
}

void IsolatedStore::makeUnwritable() {
    // A key below a volatile key must be volatile too, so the program's
    // non-volatile product key can no longer be made. Every key that one
    // call creates gets its options: the parent comes first, non-volatile.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, platform::windows::wide(kVendorKey).c_str());
    createKey(kVendorsKey, REG_OPTION_NON_VOLATILE);
    createKey(kVendorKey, REG_OPTION_VOLATILE);
    state_->unwritable = true;
}

// The registry keeps each call whole and holds no lock between calls.
bool IsolatedStore::holdWriteLock() { return false; }

void IsolatedStore::releaseWriteLock() {}

std::string IsolatedStore::rawValue(const std::string& key, const std::string& name) const {
    HKEY open = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::windows::wide(key).c_str(), 0, KEY_QUERY_VALUE, &open) !=
        ERROR_SUCCESS)
        return "";
    DWORD type = 0;
    wchar_t held[2048];
    DWORD size = sizeof held;
    const LONG result = RegQueryValueExW(open, platform::windows::wide(name).c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(held), &size);
    RegCloseKey(open);
    if (result != ERROR_SUCCESS) return "";
    // Text as the store hands it on, UTF-8; the registry holds it in UTF-16.
    const std::string data = type == REG_SZ ? platform::windows::utf8(std::wstring_view(held, size / sizeof(wchar_t)))
                                            : std::string(reinterpret_cast<const char*>(held), size);
    std::string out = std::to_string(type) + ":";
    for (const char byte : data) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(byte));
        out += hex;
    }
    return out;
}

std::string IsolatedStore::file() const { return ""; }

}  // namespace testsupport
