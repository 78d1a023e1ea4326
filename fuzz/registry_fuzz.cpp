// Sequences of store operations decoded from the input, each on a store that
// holds nothing; some inputs also damage the file between operations. What a
// write reports as stored must read back as its contract says.
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/posix/SqliteStore.h"

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

// Inputs start on the main file, a sound store that holds nothing, with the
// store's connection to it idle and caught up: opening that connection, and
// laying out a file, cost far more than an input's operations. So the main
// file is emptied in place between inputs, and a file that an input damages,
// or starts without, is a scratch file, removed at the input's end. The store
// finds its file through KESTRUNE_REGISTRY, which names the one in use.
struct StoreFile {
    std::string path;
    std::string env;  // KESTRUNE_REGISTRY=path, for putenv, which keeps it
    void use() { putenv(env.data()); }
    void remove() const {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
    }
};
StoreFile mainFile, scratchFile;
bool onScratch = false;  // whether this input's operations have moved to the scratch file

// The target's own connection to the main file, to empty it again, with its
// statements prepared once. Its commits need not survive a power cut, so
// they skip the syncs; the store's own connections keep their settings.
struct Resetter {
    sqlite3* db = nullptr;
    sqlite3_stmt* version = nullptr;  // PRAGMA data_version: moves when another connection commits
    sqlite3_stmt* empty[5] = {};
    sqlite3_int64 emptiedAt = -1;  // the data version that the last emptying left
} resetter;

void closeResetter() {
    sqlite3_finalize(resetter.version);
    for (sqlite3_stmt* s : resetter.empty) sqlite3_finalize(s);
    sqlite3_close(resetter.db);
    resetter = {};
}

bool openResetter() {
    static const char* const kEmpty[] = {"BEGIN IMMEDIATE", "DELETE FROM registry_values",
                                         "DELETE FROM registry_keys WHERE parent IS NOT NULL",
                                         "DELETE FROM sqlite_sequence", "COMMIT"};
    bool ok = sqlite3_open_v2(mainFile.path.c_str(), &resetter.db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              sqlite3_exec(resetter.db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(resetter.db, "PRAGMA data_version", -1, &resetter.version, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < 5; ++i)
        ok = sqlite3_prepare_v2(resetter.db, kEmpty[i], -1, &resetter.empty[i], nullptr) == SQLITE_OK;
    if (!ok) closeResetter();
    return ok;
}

sqlite3_int64 dataVersion() {
    sqlite3_int64 v = -1;
    if (sqlite3_step(resetter.version) == SQLITE_ROW) v = sqlite3_column_int64(resetter.version, 0);
    sqlite3_reset(resetter.version);
    return v;
}

// Takes the main file back to what its first write left: the hives' root
// keys and nothing else, value numbers starting again from 1; nothing to do
// when no one has committed since it was last emptied. False where that
// cannot be done.
bool emptyMainFile() {
    if (resetter.db == nullptr && !openResetter()) return false;
    if (const sqlite3_int64 v = dataVersion(); v >= 0 && v == resetter.emptiedAt) return true;
    for (sqlite3_stmt* s : resetter.empty) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) {
            sqlite3_exec(resetter.db, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    resetter.emptiedAt = dataVersion();
    return true;
}

// An operation on the main file through the store: its connection there is
// taken from the idle ones (catching up with the file), is in use while `f`
// runs, and goes back when it returns.
template <typename F>
void holdingMainConnection(F f) {
    mainFile.use();
    platform::RegistryReaderWriter held;
    held.setKeyName("");
    (void)held.valueExists("");
    f();
}

// Before a scratch file is damaged or removed: no connection of the store's
// may be left idle on it, and only the main file's is kept.
void closeScratchConnections() {
    holdingMainConnection([] { platform::SqliteStore::closeIdleConnections(); });
    scratchFile.use();
}

// The main file as the store's first write lays it out, emptied again; the
// store's connection to it has then run every statement the operations use,
// so that none is prepared (and kept) by an input later. Only at start-up,
// unless the main file could not be emptied.
void makeMainFile() {
    closeResetter();
    platform::SqliteStore::closeIdleConnections();
    mainFile.remove();
    mainFile.use();
    {
        platform::RegistryReaderWriter reg;
        reg.setKeyName("w");
        bool ok = false;
        if (!reg.writeString("w", "w") || reg.readString("w", ok) != "w" || !reg.startEnumeration() ||
            reg.nextValueName(ok) != "w" || !reg.deleteValue("w") || reg.deleteValue("w"))
            std::abort();
    }
    if (!emptyMainFile()) std::abort();
}

// Leaves what the next input starts from.
void settle() {
    mainFile.use();
    if (!emptyMainFile()) makeMainFile();
    holdingMainConnection([] {
        if (!onScratch) return;
        platform::SqliteStore::closeIdleConnections();
        scratchFile.remove();
        onScratch = false;
    });
}

// The input's operations go on on a copy of the main file, taken with
// everything committed to it in the file itself, as a file at rest holds it.
void moveToScratch() {
    int log = 0;
    int done = 0;
    if (sqlite3_wal_checkpoint_v2(resetter.db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &log, &done) != SQLITE_OK)
        std::abort();
    const int from = ::open(mainFile.path.c_str(), O_RDONLY);
    const int to = ::open(scratchFile.path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (from < 0 || to < 0) std::abort();
    char buf[4096];
    for (ssize_t n; (n = ::read(from, buf, sizeof buf)) > 0;)
        if (::write(to, buf, static_cast<std::size_t>(n)) != n) std::abort();
    ::close(from);
    ::close(to);
    onScratch = true;
    scratchFile.use();
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
    for (auto [file, name] : {std::pair{&mainFile, "/registry.sqlite3"}, std::pair{&scratchFile, "/scratch.sqlite3"}}) {
        file->path = dir + name;
        file->env = "KESTRUNE_REGISTRY=" + file->path;
    }
    std::atexit([] {
        closeResetter();
        platform::SqliteStore::closeIdleConnections();
        mainFile.remove();
        scratchFile.remove();
        ::rmdir(dir.c_str());
        unsetenv("KESTRUNE_REGISTRY");  // before the texts it points at go
    });
    std::cerr.rdbuf(discard.rdbuf());  // the store's diagnostics are expected here
    makeMainFile();
    settle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // For one input in four (by length, so that an input always starts the
    // same way), the store starts as no file at all: the first write then
    // lays the file out.
    if (size % 4 == 0) {
        onScratch = true;
        scratchFile.use();
    }
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
                    if (onScratch)
                        closeScratchConnections();
                    else
                        moveToScratch();
                    const int fd = ::open(scratchFile.path.c_str(), O_WRONLY);
                    if (fd >= 0) {
                        const std::string junk = in.text();
                        (void)!::pwrite(fd, junk.data(), junk.size(), static_cast<off_t>(in.byte()) * 97);
                        ::close(fd);
                        damaged = true;
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
    settle();
    return 0;
}
