// The settings store on the Windows registry.
#include "platform/RegistryReaderWriter.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace platform {

namespace {

// Callers look for these exact texts, so no line ends are added.
void say(const char* text) { std::cerr << text << std::flush; }

// Creates the key where it is missing and sets one value in it; true only
// once the value is stored.
bool setValue(HKEY root, const std::string& keyName, const std::string& valueName, DWORD type, const void* data,
              std::size_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

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
        char name[64];
        std::snprintf(name, sizeof name, "Global\\Kestrune.RegistryKey.%08lx.%016llx",
                      static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(root)),
                      static_cast<unsigned long long>(hash));
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

}  // namespace

struct RegistryReaderWriter::Backend {
    HKEY listing = nullptr;  // the listed key, open while enumOpen_
};

RegistryReaderWriter::RegistryReaderWriter()
    : readBuffer_(new char[readBufferSize_]()), backend_(std::make_unique<Backend>()) {}

RegistryReaderWriter::~RegistryReaderWriter() { closeEnumeration(); }

std::string RegistryReaderWriter::readString(const std::string& valueName, bool& success) {
    success = false;
    if (noKeyNamed()) {
        say("Null Key Name ");
        return "null";
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        say("Error in readString");
        return "null";
    }
    // The count is in and out: each call starts again from the whole buffer.
    DWORD size = readBufferSize_;
    const LONG result =
        RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(readBuffer_.get()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        say("Error in readString");
        if (result == ERROR_MORE_DATA) say("Buffer is too small");
        return "null";
    }
    success = true;
    // Data need not end in a zero byte (a number, say); what lies beyond the
    // delivered bytes is left over from earlier reads.
    return std::string(readBuffer_.get(), strnlen(readBuffer_.get(), std::min<DWORD>(size, readBufferSize_)));
}

bool RegistryReaderWriter::writeString(const std::string& data, const std::string& valueName) {
    return setValue(rootKey_, keyName_, valueName, REG_SZ, data.c_str(), data.size() + 1);
}

bool RegistryReaderWriter::writeNumber(std::int32_t value, const std::string& valueName) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return setValue(rootKey_, keyName_, valueName, REG_DWORD, bytes, sizeof bytes);
}

RegistryReaderWriter::CompareAndWrite RegistryReaderWriter::compareAndWriteString(const std::string& expected,
                                                                                const std::string& data,
                                                                                const std::string& valueName) {
    if (noKeyNamed()) return CompareAndWrite::Failed;
    const KeyLock lock(rootKey_, keyName_);
    if (!lock.held()) return CompareAndWrite::Failed;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return CompareAndWrite::Differed;
    if (opened != ERROR_SUCCESS) return CompareAndWrite::Failed;
    std::string stored(readBufferSize_, '\0');
    DWORD size = readBufferSize_;
    const LONG read =
        RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(stored.data()), &size);
    CompareAndWrite result = CompareAndWrite::Differed;
    if (read == ERROR_SUCCESS) {
        stored.resize(strnlen(stored.c_str(), std::min<DWORD>(size, readBufferSize_)));
        if (stored == expected)
            result = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                    static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS
                         ? CompareAndWrite::Written
                         : CompareAndWrite::Failed;
    } else if (read != ERROR_FILE_NOT_FOUND && read != ERROR_MORE_DATA) {
        result = CompareAndWrite::Failed;
    }
    RegCloseKey(key);
    return result;
}

std::string RegistryReaderWriter::writeStringUnderFreeNumber(const std::string& data) {
    if (noKeyNamed()) return {};
    const KeyLock lock(rootKey_, keyName_);
    if (!lock.held()) return {};
    HKEY key = nullptr;
    if (RegCreateKeyExA(rootKey_, keyName_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return {};
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
    const bool stored = free && RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                               static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return stored ? name : std::string();
}

bool RegistryReaderWriter::deleteValue(const std::string& valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const LONG result = RegDeleteValueA(key, valueName.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void RegistryReaderWriter::closeEnumeration() {
    if (backend_->listing != nullptr) RegCloseKey(backend_->listing);
    backend_->listing = nullptr;
    enumOpen_ = false;
}

bool RegistryReaderWriter::startEnumeration() {
    if (enumOpen_) closeEnumeration();
    if (noKeyNamed()) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    backend_->listing = key;
    enumIndex_ = 0;
    enumOpen_ = true;
    return true;
}

std::string RegistryReaderWriter::nextValueName(bool& success) {
    success = false;
    if (!enumOpen_) return "null";
    std::string name(maxValueNameLength_, '\0');
    DWORD length = maxValueNameLength_;
    // This call uses up its index whatever comes of it.
    if (RegEnumValueA(backend_->listing, enumIndex_++, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return "null";
    success = true;
    name.resize(length);
    return name;
}

}  // namespace platform
