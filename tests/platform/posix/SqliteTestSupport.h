#pragma once

// What the tests of the SQLite store's file need beyond the common ones.
#include "../RegistryTestSupport.h"
#include "platform/posix/SqliteStore.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace registrytest {

// A store file of the test's own, which the test may damage, move or lock.
class StoreFileTest : public StoreTest {
protected:
    std::string store() const { return store_.file(); }
    std::string folder() const { return store().substr(0, store().rfind('/')); }
    std::string file(const std::string& name) const { return folder() + "/" + name; }
    static void useStore(const std::string& path) {
        platform::SqliteStore::closeIdleConnections();
        setenv("KESTRUNE_REGISTRY", path.c_str(), 1);
    }
    void removeStore() const {
        platform::SqliteStore::closeIdleConnections();
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((store() + suffix).c_str());
    }
};

// The first column of each row of `query` on the file, joined by '|'; "!" and
// SQLite's message on an error. Creates the file if it is missing.
inline std::string sql(const std::string& file, const std::string& query) {
    std::string out;
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK) {
        auto onRow = [](void* text, int, char** values, char**) {
            auto& s = *static_cast<std::string*>(text);
            s += (s.empty() ? "" : "|") + std::string(values[0] ? values[0] : "NULL");
            return 0;
        };
        sqlite3_exec(db, query.c_str(), onRow, &out, &error);
    }
    if (error || !db) out += "!" + std::string(error ? error : "cannot open");
    sqlite3_free(error);
    sqlite3_close(db);
    return out;
}

// Runs `body` where file permissions bind, with no store connection
// inherited by or left open in the unprivileged child.
inline bool asUnprivileged(const std::function<void()>& body) {
    return testsupport::asUnprivileged(body, [] { platform::SqliteStore::closeIdleConnections(); });
}

}  // namespace registrytest
