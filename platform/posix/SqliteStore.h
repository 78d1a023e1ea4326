#pragma once

#include "platform/Registry.h"
#include "platform/RegistryBackend.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The registry's backing file, reached through one SQLite connection taken on
// first use: an idle one this thread left on the same file, else a new one.
// At destruction the connection goes back to this thread's few idle ones, so
// short-lived objects don't pay for opening. Reads never create the file or
// its folder; only a write does. A file that is not ours, or is of a newer
// layout, is refused and never changed. A file this process may not change
// (the file or its folder may not be written, the disk is full) is only
// read, creating nothing beside it (a -wal or -shm left there would keep
// failing writes once the file is writable again), and the reason is named
// once on stderr; so is why a file is refused (not a file, not ours,
// damaged) and why a write failed (a full disk). Not for use by two threads at once; each thread keeps
// stores of its own.
class SqliteStore {
public:
    // Outcomes as the store's back end gives them, so it passes them on as they are.
    using Result = RegistryBackend::Read;

    SqliteStore();
    ~SqliteStore();
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Copies the data of value `name` of key `path` into `buffer` if it fits
    // in `capacity` bytes; `size` becomes the data's length (also when it is
    // TooLarge).
    Result readValue(RootKey hive, const std::string& path, const std::string& name, char* buffer,
                     std::uint32_t capacity, std::uint32_t& size);
    // Creates every missing key on the path and sets the value, in one
    // transaction; true once it is committed.
    bool writeValue(RootKey hive, const std::string& path, const std::string& name, std::uint32_t type,
                    const void* data, std::size_t size);
    using Change = RegistryBackend::Change;
    // Sets the value only if its data, taken as text up to its first zero
    // byte, is `expected` and fits in `capacity` bytes; compared and set in
    // one transaction. Declined when the key or the value is missing.
    Change replaceValue(RootKey hive, const std::string& path, const std::string& name, const std::string& expected,
                        std::uint32_t capacity, std::uint32_t type, const void* data, std::size_t size);
    // Sets a value under the smallest decimal name the key holds no value of,
    // creating the path as writeValue does, in one transaction; the name, or
    // nothing when it is not committed.
    std::optional<std::string> writeValueUnderFreeNumber(RootKey hive, const std::string& path, std::uint32_t type,
                                                         const void* data, std::size_t size);
    // True only if the key existed and held the value, and the removal is
    // committed.
    bool deleteValue(RootKey hive, const std::string& path, const std::string& name);
    // The key's identity, stable for the life of the file.
    std::optional<std::int64_t> findKey(RootKey hive, const std::string& path);
    // Every value of the key, in the order of their numbers, read at once.
    bool listValues(RootKey hive, const std::string& path, std::uint32_t capacity,
                    const RegistryBackend::EachValue& each);
    // Moves on whenever the file has changed since this object's previous
    // call: any commit, this process's or another's (SQLite's data_version,
    // which counts others' commits, on the connection this object keeps,
    // and the connection's own). Nothing for a file read as immutable.
    std::optional<std::uint64_t> changeStamp();
    // Names the value that comes `skip` places after the one numbered `after`
    // in the key's insertion order (after = 0: from the start); `seq` becomes
    // its number.
    Result valueAfter(std::int64_t key, std::int64_t after, std::int64_t skip, std::string& name, std::int64_t& seq);

    // KESTRUNE_REGISTRY, else the XDG data folder's kestrune/registry.sqlite3;
    // empty when neither can be worked out.
    static std::string defaultPath();
    // Closes the connections this thread keeps idle, e.g. before the file is
    // moved, replaced or examined by another tool.
    static void closeIdleConnections();

    struct Connection;

private:
    Connection* connect(bool forWrite);
    static std::unique_ptr<Connection> open(const std::string& path, bool readOnly, bool create);
    // Runs `change` on the key in one write transaction, committed only when
    // it gives Done. With `create`, missing keys on the path (and a new
    // file's layout) are made first; without, a missing key is Declined.
    Change changeKey(RootKey hive, const std::string& path, bool create,
                     const std::function<Change(Connection&, std::int64_t key)>& change);
    // The same, without naming why it failed.
    Change changeKeyOnce(RootKey hive, const std::string& path, bool create,
                         const std::function<Change(Connection&, std::int64_t key)>& change);

    std::optional<std::string> path_;
    std::unique_ptr<Connection> connection_;
};

}  // namespace platform
