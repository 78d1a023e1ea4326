#include "RegistryTestSupport.h"

#include "platform/SqliteStore.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace registrytest {

Reg::Reg(const std::string& key, platform::RootKey root) {
    setRootKey(root);
    setKeyName(key);
}

std::vector<std::string> Reg::names() {
    std::vector<std::string> out;
    if (!startEnumeration()) return out;
    bool ok = false;
    for (std::string name = nextValueName(ok); ok; name = nextValueName(ok)) out.push_back(name);
    return out;
}

std::string CerrCapture::take() {
    std::string text = out_.str();
    out_.str("");
    return text;
}

StoreTest::~StoreTest() { platform::SqliteStore::closeIdleConnections(); }

void StoreTest::useStore(const std::string& path) { setenv("KESTRUNE_REGISTRY", path.c_str(), 1); }

void StoreTest::removeStore() const {
    platform::SqliteStore::closeIdleConnections();
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((store() + suffix).c_str());
}

std::string sql(const std::string& file, const std::string& query) {
    std::string out;
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
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

bool asUnprivileged(const std::function<void()>& body) {
    if (geteuid() != 0) {
        body();
        return true;
    }
    // The child must inherit no connection to the store (see SQLite on fork).
    platform::SqliteStore::closeIdleConnections();
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
