#pragma once

#include "platform/RegistryReaderWriter.h"
#include "platform/SqliteStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace registrytest {

// An object on `key`, with the success flags folded into the results.
struct Reg : platform::RegistryReaderWriter {
    Reg() = default;
    explicit Reg(const std::string& key, platform::RootKey root = platform::HKEY_LOCAL_MACHINE) {
        setRootKey(root);
        setKeyName(key);
    }
    // The text read, or "!" and what came back on a failure.
    std::string read(const std::string& name) {
        bool ok = false;
        const std::string text = readString(name, ok);
        return ok ? text : "!" + text;
    }
    std::string next() {
        bool ok = false;
        const std::string name = nextValueName(ok);
        return ok ? name : "!" + name;
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        if (startEnumeration())
            for (std::string name = next(); name != "!null"; name = next()) out.push_back(name);
        return out;
    }
};

// Takes what goes to std::cerr while it lives.
class CerrCapture {
public:
    CerrCapture() : old_(std::cerr.rdbuf(out_.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(old_); }
    // What came since the last take.
    std::string take() {
        std::string text = out_.str();
        out_.str("");
        return text;
    }

private:
    std::ostringstream out_;
    std::streambuf* old_;
};

// A store file of the test's own in a fresh folder. Idle connections are
// closed at the end, so none outlives its file.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() { useStore(store()); }
    ~StoreTest() override { platform::SqliteStore::closeIdleConnections(); }
    std::string store() const { return dir_.file("registry.sqlite3"); }
    static void useStore(const std::string& path) { setenv("KESTRUNE_REGISTRY", path.c_str(), 1); }
    void removeStore() const {
        platform::SqliteStore::closeIdleConnections();
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((store() + suffix).c_str());
    }

    testsupport::TempDir dir_;
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
