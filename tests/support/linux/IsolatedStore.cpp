#include "support/IsolatedStore.h"

#include "platform/posix/SqliteStore.h"
#include "support/TempDir.h"

#include <sqlite3.h>

#include <cstdlib>
#include <optional>

namespace testsupport {

struct IsolatedStore::State {
    TempDir dir;
    std::optional<std::string> previous;  // KESTRUNE_REGISTRY as it was
    sqlite3* lockHolder = nullptr;
};

IsolatedStore::IsolatedStore() : state_(std::make_unique<State>()) {
    if (const char* was = std::getenv("KESTRUNE_REGISTRY")) state_->previous = was;
    setenv("KESTRUNE_REGISTRY", file().c_str(), 1);
}

IsolatedStore::~IsolatedStore() {
    releaseWriteLock();
    // No idle connection may outlive its file.
    platform::SqliteStore::closeIdleConnections();
    if (state_->previous)
        setenv("KESTRUNE_REGISTRY", state_->previous->c_str(), 1);
    else
        unsetenv("KESTRUNE_REGISTRY");
}

void IsolatedStore::makeUnwritable() {
    platform::SqliteStore::closeIdleConnections();
    setenv("KESTRUNE_REGISTRY", "/proc/kestrune-nowhere/registry.sqlite3", 1);
}

bool IsolatedStore::holdWriteLock() {
    releaseWriteLock();
    if (sqlite3_open_v2(file().c_str(), &state_->lockHolder, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(state_->lockHolder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    releaseWriteLock();
    return false;
}

void IsolatedStore::releaseWriteLock() {
    if (!state_->lockHolder) return;
    sqlite3_exec(state_->lockHolder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(state_->lockHolder);
    state_->lockHolder = nullptr;
}

std::string IsolatedStore::rawValue(const std::string& key, const std::string& name) const {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* query = nullptr;
        const char* text =
            "SELECT v.type || ':' || hex(v.data) FROM registry_values v JOIN registry_keys k ON k.id = v.key"
            " WHERE k.hive = 2147483650 AND k.path = ?1 COLLATE NOCASE AND v.name = ?2 COLLATE NOCASE";
        if (sqlite3_prepare_v2(db, text, -1, &query, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(query, 1, key.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(query, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(query) == SQLITE_ROW)
                if (const unsigned char* row = sqlite3_column_text(query, 0)) out = reinterpret_cast<const char*>(row);
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return out;
}

std::string IsolatedStore::file() const { return state_->dir.file("registry.sqlite3"); }

}  // namespace testsupport
