// The settings store's raw calls on the Windows registry.
#include "platform/RegistryBackend.h"

#include "platform/RegistryReaderWriter.h"

#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

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
        mutex_ = CreateMutexA(nullptr, FALSE, name);
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

// Opens the key, creating it and every missing one above it.
HKEY createKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                           nullptr) == ERROR_SUCCESS
               ? key
               : nullptr;
}

bool setValue(HKEY key, const std::string& name, std::uint32_t type, const void* data, std::size_t size) {
    return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
           ERROR_SUCCESS;
}

class AdvapiBackend final : public RegistryBackend {
public:
    ~AdvapiBackend() override { closeListing(); }

    Read readValue(RootKey root, const std::string& path, const std::string& name, char* buffer, std::uint32_t capacity,
                   std::uint32_t& size) override {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key);
        if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? Read::Missing : Read::Failed;
        // The count is in and out: each call starts again from the whole buffer.
        DWORD delivered = capacity;
        const LONG result =
            RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &delivered);
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
        const HKEY key = createKey(root, path);
        if (key == nullptr) return false;
        const bool stored = setValue(key, name, type, data, size);
        RegCloseKey(key);
        return stored;
    }

    Change replaceValue(RootKey root, const std::string& path, const std::string& name, const std::string& expected,
                        std::uint32_t capacity, std::uint32_t type, const void* data, std::size_t size) override {
        const KeyLock lock(root, path);
        if (!lock.held()) return Change::Failed;
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
        if (opened == ERROR_FILE_NOT_FOUND) return Change::Declined;
        if (opened != ERROR_SUCCESS) return Change::Failed;
        std::string stored(capacity, '\0');
        DWORD read = capacity;
        const LONG result =
            RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(stored.data()), &read);
        Change change = Change::Declined;
        if (result == ERROR_SUCCESS) {
            stored.resize(strnlen(stored.c_str(), std::min<DWORD>(read, capacity)));
            if (stored == expected) change = setValue(key, name, type, data, size) ? Change::Done : Change::Failed;
        } else if (result != ERROR_FILE_NOT_FOUND && result != ERROR_MORE_DATA) {
            change = Change::Failed;
        }
        RegCloseKey(key);
        return change;
    }

    std::optional<std::string> writeValueUnderFreeNumber(RootKey root, const std::string& path, std::uint32_t type,
                                                         const void* data, std::size_t size) override {
        const KeyLock lock(root, path);
        if (!lock.held()) return std::nullopt;
        const HKEY key = createKey(root, path);
        if (key == nullptr) return std::nullopt;
        std::string name;
        bool free = false;
        for (unsigned long number = 0;; ++number) {
            name = std::to_string(number);
            // Any answer but "no such value" means the name is taken, whatever
            // the value's data or size.
            const LONG taken = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
            free = taken == ERROR_FILE_NOT_FOUND;
            if (free || (taken != ERROR_SUCCESS && taken != ERROR_MORE_DATA)) break;
        }
        const bool stored = free && setValue(key, name, type, data, size);
        RegCloseKey(key);
        if (!stored) return std::nullopt;
        return name;
    }

    bool deleteValue(RootKey root, const std::string& path, const std::string& name) override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
        const LONG result = RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    bool openListing(RootKey root, const std::string& path) override {
        closeListing();
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
        listing_ = key;
        return true;
    }

    void closeListing() override {
        if (listing_ != nullptr) RegCloseKey(listing_);
        listing_ = nullptr;
    }

    bool nextName(std::uint32_t index, std::string& name) override {
        name.assign(kNameCapacity, '\0');
        DWORD length = kNameCapacity;
        if (RegEnumValueA(listing_, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        name.resize(length);
        return true;
    }

private:
    HKEY listing_ = nullptr;  // the listed key, open while a listing is
};

}  // namespace

std::unique_ptr<RegistryBackend> RegistryBackend::make() { return std::make_unique<AdvapiBackend>(); }

}  // namespace platform
