// Sequences of store operations decoded from the input, each on a store that
// holds nothing; some inputs also damage the file between operations. What a
// write reports as stored must read back as its contract says.
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/linux/SqliteStore.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string storePath;
std::ostringstream discard;

class Input {
public:
    Input(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
    bool more() const { return i_ < n_; }
    std::uint8_t byte() { return i_ < n_ ? d_[i_++] : 0; }
    // A short text: a length byte, then that many bytes.
    std::string text() {
        std::size_t len = byte();
        if (len == 255) len = 255 + 4 * static_cast<std::size_t>(byte());  // now and then a long one
        std::string s;
        for (std::size_t k = 0; k < len && i_ < n_; ++k) s.push_back(static_cast<char>(d_[i_++]));
        return s;
    }

private:
    const std::uint8_t* d_;
    std::size_t n_;
    std::size_t i_ = 0;
};

// A connection of the target's own, to empty a sound store again.
sqlite3* resetter = nullptr;

// Before the file is removed or damaged: no connection may be left on it.
void closeConnections() {
    sqlite3_close(resetter);
    resetter = nullptr;
    platform::SqliteStore::closeIdleConnections();
}

void removeStore() {
    closeConnections();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((storePath + suffix).c_str());
}

// Takes a sound store back to what its first write left: the hives' root keys
// and nothing else, value numbers starting again from 1, which costs less
// than making and laying out a new file. False where that cannot be done.
bool emptyStore() {
    if (::access(storePath.c_str(), F_OK) != 0) return true;  // no file yet: as fresh as it gets
    if (resetter == nullptr &&
        sqlite3_open_v2(storePath.c_str(), &resetter, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_exec(
               resetter,
               "BEGIN IMMEDIATE; DELETE FROM registry_values; DELETE FROM registry_keys WHERE parent IS NOT NULL;"
               " DELETE FROM sqlite_sequence; COMMIT",
               nullptr, nullptr, nullptr) == SQLITE_OK;
}

// After damage, or for one input in four (by length, so that an input always
// starts the same way), the store starts as no file at all: the first write
// then lays the file out.
bool wasDamaged = false;

void freshStore(std::size_t size) {
    const bool none = wasDamaged || size % 4 == 0;
    wasDamaged = false;
    if (none || !emptyStore()) removeStore();
}

const char* const kKeys[] = {"SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin",
                             "SOFTWARE\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin\\SCHENT",
                             "null",
                             "",
                             "SOFTWARE\\\\Broken",
                             "Software\\tarnwick technologies"};

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // On tmpfs where there is one: every write waits for the disk otherwise.
    static std::string dir =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/kestrune-fuzz-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) std::abort();
    storePath = dir + "/registry.sqlite3";
    std::atexit([] {
        removeStore();
        ::rmdir(dir.c_str());
    });
    setenv("KESTRUNE_REGISTRY", storePath.c_str(), 1);
    std::cerr.rdbuf(discard.rdbuf());  // the store's diagnostics are expected here
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    freshStore(size);
    discard.str("");
    Input in(data, size);
    bool damaged = false;
    // What each (hive, key, value name) should read back as, and how many
    // bytes it holds, while the file is sound.
    struct Stored {
        std::string text;
        std::size_t bytes;
    };
    std::map<std::string, Stored> model;
    platform::RootKey root = platform::HKEY_LOCAL_MACHINE;
    auto where = [&](const std::string& key, const std::string& name) {
        return std::to_string(root) + '\n' + lower(key) + '\n' + lower(name);
    };
    {
        auto reg = std::make_unique<platform::RegistryReaderWriter>();
        std::string key = "null";
        for (int ops = 0; in.more() && ops < 64; ++ops) {
            const std::uint8_t op = in.byte();
            bool ok = false;
            switch (op % 11) {
                case 0:
                    key = kKeys[in.byte() % (sizeof kKeys / sizeof kKeys[0])];
                    reg->setKeyName(key);
                    break;
                case 1: {
                    const std::string name = in.text();
                    const std::string got = reg->readString(name, ok);
                    auto it = model.find(where(key, name));
                    if (!damaged && key != "null" && it != model.end()) {
                        const bool fits = it->second.bytes <= 260;
                        if (ok != fits || (ok && got != it->second.text)) std::abort();
                    }
                    if (!ok && got != "null") std::abort();
                    break;
                }
                case 2: {
                    const std::string value = in.text();
                    const std::string name = in.text();
                    if (reg->writeString(value, name) && key != "null")
                        model[where(key, name)] = {value.substr(0, value.find('\0')), value.size() + 1};
                    break;
                }
                case 3: {
                    const std::string name = in.text();
                    const std::uint32_t v = static_cast<std::uint32_t>(in.byte()) * 0x01010101u;
                    if (reg->writeNumber(static_cast<std::int32_t>(v), name) && key != "null")
                        model[where(key, name)] = {std::string(reinterpret_cast<const char*>(&v), v == 0 ? 0 : 4), 4};
                    break;
                }
                case 4:
                    (void)reg->valueExists(in.text());
                    break;
                case 5: {
                    const std::string name = in.text();
                    if (reg->deleteValue(name)) model.erase(where(key, name));
                    break;
                }
                case 6:
                    (void)reg->startEnumeration();
                    break;
                case 7: {
                    const std::string name = reg->nextValueName(ok);
                    if (!ok && name != "null") std::abort();
                    break;
                }
                case 8:
                    root = static_cast<platform::RootKey>(0x80000000u + in.byte() % 8);
                    reg->setRootKey(root);
                    break;
                case 9: {
                    // A new object, as callers make one per use.
                    reg = std::make_unique<platform::RegistryReaderWriter>();
                    reg->setRootKey(root);
                    reg->setKeyName(key);
                    break;
                }
                case 10: {
                    // Damage the file where it lies: the store must fail cleanly from now on.
                    reg.reset();
                    closeConnections();
                    const int fd = ::open(storePath.c_str(), O_WRONLY);
                    if (fd >= 0) {
                        const std::string junk = in.text();
                        (void)!::pwrite(fd, junk.data(), junk.size(), static_cast<off_t>(in.byte()) * 97);
                        ::close(fd);
                        damaged = true;
                        wasDamaged = true;
                    }
                    reg = std::make_unique<platform::RegistryReaderWriter>();
                    reg->setRootKey(root);
                    reg->setKeyName(key);
                    break;
                }
                default:
                    break;
            }
        }
    }
    // The store's connections go, so that what the input allocated is freed
    // (libFuzzer checks again for leaks otherwise); the resetter stays, so
    // theirs is never the last connection, whose closing would checkpoint
    // and remove the -wal and -shm.
    platform::SqliteStore::closeIdleConnections();
    return 0;
}
