// The settings store's raw calls on the Windows registry, and where a
// standard user's store goes (docs/windows.md).
#include "platform/windows/RegistryBackend.h"

#include "platform/RegistryReaderWriter.h"
#include "platform/windows/Text.h"

#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The registry's own limit on a value name, and its zero byte.
constexpr DWORD kNameCapacity = 16384;

// Serialises this program's read-compare-write steps on one key across its
// threads and running copies: the registry makes each call atomic, not a
// sequence of them. The mutex is named after the hive and the key, compared
// without case as the registry does, hashed to stay within a name's length;
// in the global namespace, as the local machine hive is one for all sessions.
class KeyLock {
public:
    KeyLock(HKEY root, const std::string& keyName) {
        std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
        for (const char c : keyName) {
            hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            hash *= 1099511628211ULL;
        }
        // A hive is a 32-bit number, sign-extended in a 64-bit program: its
        // low half names it alike in both, so 32-bit and 64-bit copies share
        // a lock on a key they share.
        const auto hive = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root));
        char name[64];
        std::snprintf(name, sizeof name, "Global\\Kestrune.RegistryKey.%08" PRIx32 ".%016" PRIx64, hive, hash);
        mutex_ = CreateMutexW(nullptr, FALSE, windows::wide(name).c_str());
        if (mutex_ == nullptr) return;
        const auto wait = RegistryReaderWriter::lockWait().count();
        const DWORD result = WaitForSingleObject(mutex_, static_cast<DWORD>(wait));
        // An abandoned mutex is ours all the same: the registry kept each of
        // the holder's calls whole.
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~KeyLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;

    bool held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

// HKEY_CURRENT_USER\Software mirrors HKEY_LOCAL_MACHINE\SOFTWARE: a machine
// key below it has a per-user counterpart at the same path.
constexpr char kSoftware[] = "SOFTWARE\\";
// Where registry virtualisation kept an unmanifested 32-bit program's machine
// writes, per user: as on 64-bit Windows, then as on 32-bit Windows.
constexpr const char* kVirtualStores[] = {"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\",
                                          "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"};

bool startsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    return text.size() >= length && _strnicmp(text.c_str(), prefix, length) == 0;
}

bool hasUserCounterpart(HKEY root, const std::string& path) {
    return root == HKEY_LOCAL_MACHINE && startsWithNoCase(path, kSoftware);
}

// The key whose tree moves to the user's hive as one: the product key for
// itself and every key below it, so that its values and its schedule keys are
// never split between two hives; any other key on its own.
std::string storeTop(const std::string& path) {
    const std::size_t length = std::strlen(kProductKey);
    if (startsWithNoCase(path, kProductKey) && (path.size() == length || path[length] == '\\'))
        return path.substr(0, length);
    return path;
}

bool keyExists(HKEY hive, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, windows::wide(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool userCopyExists(const std::string& path) { return keyExists(HKEY_CURRENT_USER, storeTop(path)); }

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The store's data is text in UTF-8 as the logic wrote it; the registry
// keeps text in UTF-16, so a text value crosses here, its zero included,
// and any other value goes as it is.
LONG setValue(HKEY key, const std::string& name, std::uint32_t type, const void* data, std::size_t size) {
    if (!isText(type))
        return RegSetValueExW(key, windows::wide(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                              static_cast<DWORD>(size));
    const std::wstring text = windows::wide(std::string_view(static_cast<const char*>(data), size));
    return RegSetValueExW(key, windows::wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size()) * static_cast<DWORD>(sizeof(wchar_t)));
}

// Reads a value's data into `capacity` bytes, text as UTF-8: `size` becomes
// the count delivered, or, with ERROR_MORE_DATA, the count needed.
LONG queryValue(HKEY key, const std::string& name, char* buffer, DWORD capacity, DWORD& size) {
    const std::wstring wideName = windows::wide(name);
    std::wstring data;
    DWORD type = 0;
    DWORD bytes = (capacity + 1) * static_cast<DWORD>(sizeof(wchar_t));
    LONG result = ERROR_MORE_DATA;
    while (result == ERROR_MORE_DATA) {
        data.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(data.size()) * static_cast<DWORD>(sizeof(wchar_t));
        result = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
    }
    if (result != ERROR_SUCCESS) return result;
    const std::string read = isText(type) ? windows::utf8(std::wstring_view(data.data(), bytes / sizeof(wchar_t)))
                                          : std::string(reinterpret_cast<const char*>(data.data()), bytes);
    size = static_cast<DWORD>(read.size());
    if (read.size() > capacity) return ERROR_MORE_DATA;
    std::copy(read.begin(), read.end(), buffer);
    return ERROR_SUCCESS;
}

// Every key of the tree at `key`, as paths relative to it ("" for itself),
// each before the keys below it.
bool listKeys(HKEY key, const std::string& below, std::vector<std::string>& keys) {
    keys.push_back(below);
    HKEY open = key;
    if (!below.empty() && RegOpenKeyExW(key, windows::wide(below).c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
        return false;
    std::vector<std::string> children;
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        wchar_t name[256];  // a key name is at most 255 characters
        DWORD length = static_cast<DWORD>(std::size(name));
        result = RegEnumKeyExW(open, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) continue;
        std::string path = below;
        if (!path.empty()) path += '\\';
        path += windows::utf8(std::wstring_view(name, length));
        children.push_back(std::move(path));
    }
    if (open != key) RegCloseKey(open);
    if (result != ERROR_NO_MORE_ITEMS) return false;
    return std::all_of(children.begin(), children.end(),
                       [&](const std::string& child) { return listKeys(key, child, keys); });
}

// Copies the values of `from` that `to` does not hold: a value another
// thread or program set in `to` meanwhile is newer than the one copied.
bool copyValues(HKEY from, HKEY to) {
    DWORD nameLongest = 0;
    DWORD dataLongest = 0;
    if (RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameLongest,
                         &dataLongest, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(nameLongest + 1, L'\0');
    std::vector<BYTE> data(dataLongest + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = nameLongest + 1;
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG result = RegEnumValueW(from, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS) return true;
        if (result != ERROR_SUCCESS) return false;
        // Copied as the registry holds it: text is UTF-16 on both sides.
        const std::wstring copied = name.substr(0, nameLength);
        if (RegQueryValueExW(to, copied.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND &&
            RegSetValueExW(to, copied.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS)
            return false;
    }
}

// The store this user had before a copy of their own: an unmanifested
// build's virtual store, as the program then read and wrote it, else the
// machine key. `source` stays null when neither exists.
LONG openSource(const std::string& top, HKEY& source) {
    source = nullptr;
    const std::string below = top.substr(std::strlen(kSoftware));
    for (const char* store : kVirtualStores)
        if (RegOpenKeyExW(HKEY_CURRENT_USER, windows::wide(store + below).c_str(), 0, KEY_READ, &source) ==
            ERROR_SUCCESS)
            return ERROR_SUCCESS;
    source = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, windows::wide(top).c_str(), 0, KEY_READ, &source);
    if (opened == ERROR_SUCCESS) return ERROR_SUCCESS;
    source = nullptr;
    return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : opened;
}

// Makes the user's copy of the store the key at `path` belongs to, unless
// it exists: the tree of what the store held so far, under the lock on its
// top key. Every key it copies is locked until the copy is whole, so that a
// change another copy of the program makes to the user's copy waits for it;
// a value set before the lock is kept, as the copy overwrites none. A copy
// that fails is removed, so no half of one ever becomes the store.
bool makeUserCopy(const std::string& path) {
    const std::string top = storeTop(path);
    const KeyLock lock(HKEY_CURRENT_USER, top);
    if (!lock.held()) return false;
    if (keyExists(HKEY_CURRENT_USER, top)) return true;  // another thread or program made it meanwhile
    HKEY source = nullptr;
    if (openSource(top, source) != ERROR_SUCCESS) return false;
    // With nothing to copy, the copy is the top key alone.
    std::vector<std::string> keys;
    bool copied = true;
    if (source == nullptr)
        keys.emplace_back();
    else
        copied = listKeys(source, "", keys);
    std::vector<std::unique_ptr<KeyLock>> locks;
    for (std::size_t i = 1; copied && i < keys.size(); ++i) {
        locks.push_back(std::make_unique<KeyLock>(HKEY_CURRENT_USER, top + "\\" + keys[i]));
        copied = locks.back()->held();
    }
    for (std::size_t i = 0; copied && i < keys.size(); ++i) {
        HKEY to = nullptr;
        const std::string target = keys[i].empty() ? top : top + "\\" + keys[i];
        copied = RegCreateKeyExW(HKEY_CURRENT_USER, windows::wide(target).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &to, nullptr) == ERROR_SUCCESS;
        if (!copied || source == nullptr) {
            if (to != nullptr) RegCloseKey(to);
            continue;
        }
        HKEY from = source;
        copied = keys[i].empty() ||
                 RegOpenKeyExW(source, windows::wide(keys[i]).c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS;
        if (copied) copied = copyValues(from, to);
        if (from != source && from != nullptr) RegCloseKey(from);
        RegCloseKey(to);
    }
    if (source != nullptr) RegCloseKey(source);
    if (!copied) RegDeleteTreeW(HKEY_CURRENT_USER, windows::wide(top).c_str());
    return copied;
}

// The store is in one place for each user: in the user's copy once it
// exists, else at the key asked. A machine key this process may not change
// stays as it is; the first change refused on it makes the user's copy, and
// goes there.
class AdvapiBackend final : public RegistryBackend {
public:
    explicit AdvapiBackend(MachineHive machine) : machineWritable_(machine == MachineHive::Writable) {}
    ~AdvapiBackend() override {
        closeListing();
        closeWatch();
    }

    Read readValue(RootKey root, const std::string& path, const std::string& name, char* buffer, std::uint32_t capacity,
                   std::uint32_t& size) override {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExW(storeFor(root, path), windows::wide(path).c_str(), 0, KEY_QUERY_VALUE, &key);
        if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? Read::Missing : Read::Failed;
        // The count is in and out: each call starts again from the whole buffer.
        DWORD delivered = capacity;
        const LONG result = queryValue(key, name, buffer, capacity, delivered);
        RegCloseKey(key);
        size = delivered;
        switch (result) {
            case ERROR_SUCCESS:
                return Read::Ok;
            case ERROR_FILE_NOT_FOUND:
                return Read::Missing;
            case ERROR_MORE_DATA:
                return Read::TooLarge;
            default:
                return Read::Failed;
        }
    }

    bool writeValue(RootKey root, const std::string& path, const std::string& name, std::uint32_t type,
                    const void* data, std::size_t size) override {
        return change(root, path, false, [&](HKEY hive) {
                   HKEY key = nullptr;
                   const LONG created = createKey(hive, path, key);
                   if (created != ERROR_SUCCESS) return created;
                   const LONG stored = setValue(key, name, type, data, size);
                   RegCloseKey(key);
                   return stored;
               }) == ERROR_SUCCESS;
    }

    Change replaceValue(RootKey root, const std::string& path, const std::string& name, const std::string& expected,
                        std::uint32_t capacity, std::uint32_t type, const void* data, std::size_t size) override {
        Change outcome = Change::Failed;
        const LONG result = change(root, path, true, [&](HKEY hive) {
            outcome = Change::Failed;
            HKEY key = nullptr;
            const LONG opened = openKey(hive, path, KEY_QUERY_VALUE | KEY_SET_VALUE, key);
            if (opened == ERROR_FILE_NOT_FOUND) outcome = Change::Declined;
            if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : opened;
            std::string stored(capacity, '\0');
            DWORD read = capacity;
            LONG status = queryValue(key, name, stored.data(), capacity, read);
            if (status == ERROR_SUCCESS) {
                stored.resize(strnlen(stored.c_str(), std::min<DWORD>(read, capacity)));
                outcome = Change::Declined;
                if (stored == expected) {
                    status = setValue(key, name, type, data, size);
                    outcome = status == ERROR_SUCCESS ? Change::Done : Change::Failed;
                }
            } else if (status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA) {
                outcome = Change::Declined;
                status = ERROR_SUCCESS;
            }
            RegCloseKey(key);
            return status;
        });
        return result == ERROR_SUCCESS ? outcome : Change::Failed;
    }

    std::optional<std::string> writeValueUnderFreeNumber(RootKey root, const std::string& path, std::uint32_t type,
                                                         const void* data, std::size_t size) override {
        std::string name;
        const LONG result = change(root, path, true, [&](HKEY hive) {
            HKEY key = nullptr;
            const LONG created = createKey(hive, path, key);
            if (created != ERROR_SUCCESS) return created;
            LONG taken = ERROR_SUCCESS;
            for (unsigned long number = 0;; ++number) {
                name = std::to_string(number);
                // Any answer but "no such value" means the name is taken,
                // whatever the value's data or size.
                taken = RegQueryValueExW(key, windows::wide(name).c_str(), nullptr, nullptr, nullptr, nullptr);
                if (taken != ERROR_SUCCESS && taken != ERROR_MORE_DATA) break;
            }
            const LONG stored = taken == ERROR_FILE_NOT_FOUND ? setValue(key, name, type, data, size) : taken;
            RegCloseKey(key);
            return stored;
        });
        if (result != ERROR_SUCCESS) return std::nullopt;
        return name;
    }

    bool deleteValue(RootKey root, const std::string& path, const std::string& name) override {
        return change(root, path, false, [&](HKEY hive) {
                   HKEY key = nullptr;
                   const LONG opened = openKey(hive, path, KEY_SET_VALUE, key);
                   if (opened != ERROR_SUCCESS) return opened;
                   const LONG result = RegDeleteValueW(key, windows::wide(name).c_str());
                   RegCloseKey(key);
                   return result;
               }) == ERROR_SUCCESS;
    }

    bool openListing(RootKey root, const std::string& path) override {
        closeListing();
        HKEY key = nullptr;
        if (RegOpenKeyExW(storeFor(root, path), windows::wide(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        listing_ = key;
        return true;
    }

    void closeListing() override {
        if (listing_ != nullptr) RegCloseKey(listing_);
        listing_ = nullptr;
    }

    bool nextName(std::uint32_t index, std::string& name) override {
        std::wstring read(kNameCapacity, L'\0');
        DWORD length = kNameCapacity;
        if (RegEnumValueW(listing_, index, read.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        name = windows::utf8(std::wstring_view(read.data(), length));
        return true;
    }

    bool listValues(RootKey root, const std::string& path, std::uint32_t capacity, const EachValue& each) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(storeFor(root, path), windows::wide(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        std::wstring listed(kNameCapacity, L'\0');
        std::vector<char> data(capacity + 1, '\0');
        LONG result = ERROR_SUCCESS;
        for (DWORD index = 0;; ++index) {
            DWORD length = kNameCapacity;
            result = RegEnumValueW(key, index, listed.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (result != ERROR_SUCCESS) break;
            // The data is read by the name, so that text comes as UTF-8.
            const std::string name = windows::utf8(std::wstring_view(listed.data(), length));
            DWORD size = 0;
            const LONG got = queryValue(key, name, data.data(), capacity, size);
            if (got == ERROR_FILE_NOT_FOUND) continue;  // deleted since it was listed
            if (got != ERROR_SUCCESS && got != ERROR_MORE_DATA) {
                result = got;
                break;
            }
            const Read read = got == ERROR_SUCCESS ? Read::Ok : Read::TooLarge;
            if (!each(name, read, data.data(), read == Read::Ok ? size : 0)) {
                result = ERROR_NO_MORE_ITEMS;
                break;
            }
        }
        RegCloseKey(key);
        return result == ERROR_NO_MORE_ITEMS;
    }

    // The registry signals the watched key's changes to an event; each
    // signal moves the count on, and the watch is armed again before the
    // caller reads, so that no change after the read goes unseen.
    std::optional<std::uint64_t> changeStamp(RootKey root, const std::string& path) override {
        const HKEY hive = storeFor(root, path);
        if (watched_ == nullptr || hive != watchedHive_ || path != watchedPath_) {
            closeWatch();
            if (RegOpenKeyExW(hive, windows::wide(path).c_str(), 0, KEY_NOTIFY, &watched_) != ERROR_SUCCESS) {
                watched_ = nullptr;
                return std::nullopt;
            }
            watchedHive_ = hive;
            watchedPath_ = path;
            changed_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (changed_ == nullptr || !armWatch()) {
                closeWatch();
                return std::nullopt;
            }
            return ++changes_;
        }
        if (WaitForSingleObject(changed_, 0) == WAIT_OBJECT_0) {
            ResetEvent(changed_);
            if (!armWatch()) {
                closeWatch();
                return std::nullopt;
            }
            ++changes_;
        }
        return changes_;
    }

private:
    bool armWatch() {
        return RegNotifyChangeKeyValue(watched_, FALSE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, changed_,
                                       TRUE) == ERROR_SUCCESS;
    }

    void closeWatch() {
        if (watched_ != nullptr) RegCloseKey(watched_);
        if (changed_ != nullptr) CloseHandle(changed_);
        watched_ = nullptr;
        changed_ = nullptr;
    }

    // Where the key at `path` is read: the user's copy once there is one.
    static HKEY storeFor(HKEY root, const std::string& path) {
        return hasUserCounterpart(root, path) && userCopyExists(path) ? HKEY_CURRENT_USER : root;
    }

    // Runs a change (a call on the hive given, answering the system's error
    // code) where the store is, and in the user's copy, made for it, when the
    // machine hive refuses it. A change to the user's copy is made under the
    // lock on its key, as one to any key is when `locked`: that is the key
    // changed, so two programs that both fall back share it.
    template <typename Call>
    LONG change(HKEY root, const std::string& path, bool locked, const Call& call) {
        const auto on = [&](HKEY hive) -> LONG {
            if (!locked && hive != HKEY_CURRENT_USER) return call(hive);
            const KeyLock lock(hive, path);
            return lock.held() ? call(hive) : ERROR_TIMEOUT;
        };
        if (!hasUserCounterpart(root, path)) return on(root);
        if (userCopyExists(path)) return on(HKEY_CURRENT_USER);
        const LONG result = on(root);
        if (result != ERROR_ACCESS_DENIED || !makeUserCopy(path)) return result;
        return on(HKEY_CURRENT_USER);
    }

    // A change to the machine hive is refused here as the system refuses a
    // standard user's.
    bool refused(HKEY hive, REGSAM access) const {
        return !machineWritable_ && hive == HKEY_LOCAL_MACHINE && (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
    }

    LONG openKey(HKEY hive, const std::string& path, REGSAM access, HKEY& key) const {
        key = nullptr;
        // The system finds the key before it checks the access.
        if (refused(hive, access)) return keyExists(hive, path) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return RegOpenKeyExW(hive, windows::wide(path).c_str(), 0, access, &key);
    }

    // Opens the key, creating it and every missing one above it.
    LONG createKey(HKEY hive, const std::string& path, HKEY& key) const {
        key = nullptr;
        if (refused(hive, KEY_ALL_ACCESS)) return ERROR_ACCESS_DENIED;
        return RegCreateKeyExW(hive, windows::wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &key, nullptr);
    }

    bool machineWritable_;
    HKEY listing_ = nullptr;  // the listed key, open while a listing is
    // The key changeStamp watches, where it is, and the event its changes set.
    HKEY watched_ = nullptr;
    HKEY watchedHive_ = nullptr;
    std::string watchedPath_;
    HANDLE changed_ = nullptr;
    std::uint64_t changes_ = 0;
};

}  // namespace

std::unique_ptr<RegistryBackend> makeRegistryBackend(MachineHive machine) {
    return std::make_unique<AdvapiBackend>(machine);
}

std::unique_ptr<RegistryBackend> RegistryBackend::make() { return makeRegistryBackend(MachineHive::Writable); }

std::string storeLocation() {
    const std::string key = kProductKey;
    if (userCopyExists(key)) return "HKEY_CURRENT_USER\\Software\\" + key.substr(std::strlen(kSoftware));
    return "HKEY_LOCAL_MACHINE\\" + key;
}

// Each call opens and closes its keys: nothing stays open between them.
void closeStore() {}

}  // namespace platform
