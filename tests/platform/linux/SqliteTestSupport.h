#pragma once

// What the tests of the SQLite store's file need beyond the common ones.
#include "../RegistryTestSupport.h"
#include "platform/linux/SqliteStore.h"
#include "support/TempDir.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs `body` where file permissions bind: here, or, when running as root
// (which they don't bind), in a forked child turned into the user nobody.
// False if that was impossible, with the test marked skipped.
inline bool asUnprivileged(const std::function<void()>& body) {
    if (geteuid() != 0) {
        body();
        return true;
    }
    platform::SqliteStore::closeIdleConnections();  // the child must inherit no connection
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
        body();
        platform::SqliteStore::closeIdleConnections();
        std::fflush(nullptr);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        [] { GTEST_SKIP() << "running as root, where file permissions do not apply, and cannot become uid 65534"; }();
        return false;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the unprivileged child failed (its output is above)";
    return true;
}

}  // namespace registrytest
