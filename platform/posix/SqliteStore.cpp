#include "platform/posix/SqliteStore.h"

#include "platform/RegistryReaderWriter.h"

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

// "KSTR" in the file's header tells our files from other programs' SQLite files.
constexpr std::int64_t kApplicationId = 0x4B535452;
constexpr std::int64_t kSchemaVersion = 1;

constexpr std::array<RootKey, 5> kHives = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                                           HKEY_CURRENT_CONFIG};

enum Stmt {
    kCheck,
    kBegin,
    kCommit,
    kRollback,
    kRead,
    kFindKey,
    kInsertKey,
    kUpsert,
    kDelete,
    kNext,
    kHasValue,
    kList,
    kDataVersion,
    kStmtCount
};

constexpr std::array<const char*, kStmtCount> kSql = {
    "SELECT (SELECT application_id FROM pragma_application_id),"
    " (SELECT user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_master)",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT v.data FROM registry_keys k JOIN registry_values v ON v.key = k.id"
    " WHERE k.hive = ?1 AND k.path = ?2 AND v.name = ?3",
    "SELECT id FROM registry_keys WHERE hive = ?1 AND path = ?2",
    "INSERT INTO registry_keys(hive, parent, name, path) VALUES(?1, ?2, ?3, ?4)",
    // Updating in place keeps the value's seq, and so its place in the listing.
    "INSERT INTO registry_values(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM registry_values"
    " WHERE key = (SELECT id FROM registry_keys WHERE hive = ?1 AND path = ?2) AND name = ?3",
    "SELECT name, seq FROM registry_values WHERE key = ?1 AND seq > ?2 ORDER BY seq LIMIT 1 OFFSET ?3",
    "SELECT 1 FROM registry_values WHERE key = ?1 AND name = ?2",
    "SELECT v.name, v.data FROM registry_keys k JOIN registry_values v ON v.key = k.id"
    " WHERE k.hive = ?1 AND k.path = ?2 ORDER BY v.seq",
    "PRAGMA data_version",
};

// A key is found by one lookup of its whole path; seq is AUTOINCREMENT so a
// number is never handed out twice and a listing's place stays meaningful
// while others add and delete values.
constexpr char kSchema[] = R"(
CREATE TABLE registry_keys(
    id INTEGER PRIMARY KEY,
    hive INTEGER NOT NULL,
    parent INTEGER REFERENCES registry_keys(id),
    name TEXT NOT NULL COLLATE NOCASE,
    path TEXT NOT NULL COLLATE NOCASE,
    UNIQUE(hive, path));
CREATE TABLE registry_values(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL REFERENCES registry_keys(id),
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, name));
CREATE INDEX registry_values_order ON registry_values(key, seq);
)";

enum class State { Unchecked, Empty, Ours, Refused };

// Counts the fork()s this process came through, so a connection can tell it
// was inherited without asking for the process id at every operation.
std::atomic<unsigned> forks{0};

std::uint64_t nextSerial() {
    static std::atomic<std::uint64_t> serials{0};
    return ++serials;
}

unsigned forkGeneration() {
    [[maybe_unused]] static const bool counting =
        pthread_atfork(nullptr, nullptr, [] { forks.fetch_add(1, std::memory_order_relaxed); }) == 0;
    return forks.load(std::memory_order_relaxed);
}

bool validHive(RootKey hive) {
    for (RootKey h : kHives)
        if (h == hive) return true;
    return false;
}

// Backslash-separated; empty names the hive's root. An empty component
// (leading, doubled or trailing backslash) names nothing.
bool validPath(std::string_view path) {
    if (path.empty()) return true;
    return path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string_view::npos;
}

// SQLite's own busy handler waits longer and longer between tries, up to
// 100 ms, so a thread or program that writes steadily can keep another
// waiting that long for each write. Short even steps catch the gaps between
// its transactions. The limit is this thread's, in time on the steady clock:
// a count of steps would leave out the time each sleep overruns, which more
// than doubled the wait on a busy machine.
int waitForLock(void* since, int tries) {
    using Clock = std::chrono::steady_clock;
    auto& start = *static_cast<Clock::time_point*>(since);
    if (tries == 0) start = Clock::now();
    if (Clock::now() - start >= RegistryReaderWriter::lockWait()) return 0;
    usleep(250);
    return 1;
}

bool exists(const std::string& file) { return faccessat(AT_FDCWD, file.c_str(), F_OK, AT_EACCESS) == 0; }

bool writable(const std::string& file) { return faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0; }

std::string folderOf(const std::string& file) {
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// What the first reader of a WAL file makes beside it: its -shm, of 32 KiB.
constexpr std::uint64_t kSideFilesRoom = 32768;

// Why this process can only read the store file that exists at `file`;
// empty when it may change it. Besides the file itself, every reader of a
// WAL file needs its -wal and -shm, which a folder that refuses new files
// (no write access, immutable, a read-only mount) or a full file system
// cannot hold unless they are there already.
std::string readOnlyReason(const std::string& file) {
    if (!exists(file)) return {};
    if (!writable(file)) {
        const int error = errno;
        return "the file may not be written (" + std::system_category().message(error) + ")";
    }
    if (exists(file + "-wal") && exists(file + "-shm")) return {};
    const std::string folder = folderOf(file);
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return "its folder " + folder + " does not allow new files (" + std::system_category().message(error) + ")";
    }
    struct statvfs fs {};
    if (statvfs(folder.c_str(), &fs) == 0 && std::uint64_t{fs.f_bavail} * fs.f_frsize < kSideFilesRoom)
        return "the file system of " + folder + " is full";
    return {};
}

// Codes with which SQLite turns down a file whose -wal or -shm it cannot
// make or grow.
bool sideFilesRefused(int code) {
    switch (code & 0xff) {
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_READONLY:
            return true;
        default:
            return false;
    }
}

// Says a line once in the run: every operation on the store asks again,
// and the answer seldom changes.
void tellOnce(const std::string& line) {
    static std::mutex mutex;
    static std::set<std::string> told;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!told.insert(line).second) return;
    std::cerr << line << std::endl;
}

// Why the store is only read.
void tellReadOnly(const std::string& file, const std::string& reason) {
    tellOnce("Kestrune can read its store " + file + " but not change it: " + reason + ".");
}

// The last statement of this thread's that failed, as SQLite said why: what
// a failed operation names, once the transaction it ran in is rolled back.
struct Failure {
    int code = SQLITE_OK;
    int systemError = 0;
    std::string message;
};
thread_local Failure lastFailure;

void noteFailure(sqlite3* db, int code) {
    lastFailure.code = sqlite3_extended_errcode(db);
    if (lastFailure.code == SQLITE_OK) lastFailure.code = code;
    lastFailure.systemError = sqlite3_system_errno(db);
    lastFailure.message = sqlite3_errmsg(db);
}

// The failure in a user's words; empty when no statement failed.
std::string failureReason(const std::string& file) {
    const Failure& f = lastFailure;
    const int primary = f.code & 0xff;
    if (primary == SQLITE_OK) return {};
    if (primary == SQLITE_FULL || (primary == SQLITE_IOERR && (f.systemError == ENOSPC || f.systemError == EDQUOT)))
        return "the file system of " + folderOf(file) + " is full (" + f.message + ")";
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) return "it is damaged (" + f.message + ")";
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return "another program held it for longer than Kestrune waits (" + f.message + ")";
    return f.message;
}

// Once in the run, why an operation on the store failed, where a statement
// said why.
void tellFailure(const std::string& file, const char* doing) {
    if (const std::string why = failureReason(file); !why.empty())
        tellOnce("Kestrune cannot " + std::string(doing) + " its store " + file + ": " + why + ".");
}

bool immutableRead(const std::string& file) {
    struct stat wal {};
    return stat((file + "-wal").c_str(), &wal) != 0 || wal.st_size == 0 || !exists(file + "-shm");
}

// The file as a URI that SQLite opens for reading only, creating nothing
// beside it. With a -wal and -shm already there (another program writing, or
// left over), those are read as they are; without, or with an empty -wal,
// the file is opened as immutable, which needs neither, as no one can have
// written it through them.
std::string readOnlyUri(const std::string& file) {
    std::string uri = file.front() == '/' ? "file://" : "file:";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : file) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
        if (plain || (c != 0 && std::strchr("/-._~", ch))) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    uri += "?mode=ro";
    if (immutableRead(file)) uri += "&immutable=1";
    return uri;
}

bool makeFolders(const std::string& file) {
    const auto slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string dir = file.substr(0, slash);
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    for (std::size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/') continue;
        const std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// One use of a prepared statement; resetting it at the end means no read
// snapshot or lock outlives the operation.
class Query {
public:
    explicit Query(sqlite3_stmt* stmt) : stmt_(stmt), ok_(stmt != nullptr) {}
    ~Query() {
        if (stmt_) sqlite3_reset(stmt_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, std::int64_t value) {
        return check([&] { return sqlite3_bind_int64(stmt_, index, value); });
    }
    Query& bind(int index, std::optional<std::int64_t> value) {
        return value ? bind(index, *value) : check([&] { return sqlite3_bind_null(stmt_, index); });
    }
    Query& bind(int index, std::string_view text) {
        return check(
            [&] { return sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8); });
    }
    Query& bindBlob(int index, const void* data, std::size_t size) {
        // A zero-length blob still has to be a blob, not NULL.
        return check([&] {
            return size == 0 ? sqlite3_bind_zeroblob(stmt_, index, 0)
                             : sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_STATIC);
        });
    }
    // A failed bind leaves the old argument in place, so such a query never runs.
    int step() {
        const int rc = ok_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
        if (ok_ && rc != SQLITE_ROW && rc != SQLITE_DONE) noteFailure(sqlite3_db_handle(stmt_), rc);
        return rc;
    }
    sqlite3_stmt* get() const { return stmt_; }

private:
    template <typename Bind>
    Query& check(Bind bind) {
        ok_ = ok_ && bind() == SQLITE_OK;
        return *this;
    }

    sqlite3_stmt* stmt_;
    bool ok_;
};

}  // namespace

struct SqliteStore::Connection {
    sqlite3* db = nullptr;
    std::array<sqlite3_stmt*, kStmtCount> stmts{};
    State state = State::Unchecked;
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    bool readOnly = false;                            // opened only to read a file this process may not change
    bool immutable = false;                           // read as a file no one changes
    std::uint64_t serial = nextSerial();              // no two connections of the process alike
    std::uint64_t changes = 0;                        // commits seen, this connection's own and others'
    std::int64_t dataVersion = -1;                    // the file's change count as this connection last saw it
    std::chrono::steady_clock::time_point busySince;  // for waitForLock
    unsigned owner = forkGeneration();                // a forked child must never use or close it

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        // If the path now names another file (or none), closing must not
        // checkpoint into or delete that file's -wal and -shm.
        if (db && !stillAtPath()) {
            int keep = 1;
            sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        }
        for (sqlite3_stmt* s : stmts) sqlite3_finalize(s);
        sqlite3_close(db);
    }

    bool stillAtPath() const {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode;
    }

    // Prepared on first use only: most objects need a statement or two.
    sqlite3_stmt* stmt(Stmt id) {
        if (!stmts[id]) {
            // Preparing reads the file's layout: the first place a damaged file fails.
            const int rc = sqlite3_prepare_v3(db, kSql[id], -1, SQLITE_PREPARE_PERSISTENT, &stmts[id], nullptr);
            if (rc != SQLITE_OK) noteFailure(db, rc);
        }
        // cppcheck-suppress CastIntegerToAddressAtReturn ; the element is a statement pointer
        return stmts[id];
    }

    bool run(Stmt id) { return Query(stmt(id)).step() == SQLITE_DONE; }

    // Learns what the file holds; false when it could not be read at all.
    bool check() {
        Query q(stmt(kCheck));
        if (q.step() != SQLITE_ROW) return false;
        const std::int64_t app = sqlite3_column_int64(q.get(), 0);
        const std::int64_t version = sqlite3_column_int64(q.get(), 1);
        const std::int64_t objects = sqlite3_column_int64(q.get(), 2);
        if (app == kApplicationId && version == kSchemaVersion)
            state = State::Ours;
        else if (app == 0 && version == 0 && objects == 0)
            state = State::Empty;
        else
            state = State::Refused;  // another program's file, or a later layout of ours
        if (state == State::Refused)
            tellOnce("Kestrune cannot use its store " + path +
                     ": it is another program's file, or one of a later version of Kestrune.");
        return true;
    }

    // What the file holds now; Unchecked when that is unknown. An empty file is
    // looked at again each time, as another connection may lay it out.
    State current() {
        if (state == State::Unchecked || state == State::Empty) {
            lastFailure = {};
            if (!check()) {
                tellFailure(path, "read");
                return State::Unchecked;
            }
        }
        return state;
    }

    bool useWal() {
        bool wal = false;
        auto onRow = [](void* out, int, char** values, char**) {
            *static_cast<bool*>(out) = values[0] && std::strcmp(values[0], "wal") == 0;
            return 0;
        };
        return sqlite3_exec(db, "PRAGMA journal_mode = WAL", onRow, &wal, nullptr) == SQLITE_OK && wal;
    }

    bool createSchema() {
        const std::string sql = std::string(kSchema) + "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
        for (RootKey hive : kHives)
            if (!insertKey(hive, std::nullopt, "", "")) return false;
        return true;
    }

    std::optional<std::int64_t> findKey(RootKey hive, std::string_view keyPath) {
        Query q(stmt(kFindKey));
        q.bind(1, std::int64_t{hive}).bind(2, keyPath);
        if (q.step() != SQLITE_ROW) return std::nullopt;
        return sqlite3_column_int64(q.get(), 0);
    }

    std::optional<std::int64_t> insertKey(RootKey hive, std::optional<std::int64_t> parent, std::string_view name,
                                          std::string_view keyPath) {
        Query q(stmt(kInsertKey));
        q.bind(1, std::int64_t{hive}).bind(2, parent).bind(3, name).bind(4, keyPath);
        if (q.step() != SQLITE_DONE) return std::nullopt;
        return sqlite3_last_insert_rowid(db);
    }

    // Inside a write transaction: walks from the hive's root, adding each
    // missing key on the way.
    std::optional<std::int64_t> findOrCreateKey(RootKey hive, std::string_view keyPath) {
        if (auto id = findKey(hive, keyPath)) return id;
        std::vector<std::size_t> ends{0};  // 0: the hive's root
        for (std::size_t i = 1; i <= keyPath.size(); ++i)
            if (i == keyPath.size() || keyPath[i] == '\\') ends.push_back(i);
        std::optional<std::int64_t> parent;
        for (const std::size_t end : ends) {
            const std::string_view prefix = keyPath.substr(0, end);
            const std::size_t slash = prefix.rfind('\\');
            const std::string_view name = slash == std::string_view::npos ? prefix : prefix.substr(slash + 1);
            auto id = findKey(hive, prefix);
            if (!id) id = insertKey(hive, parent, name, prefix);
            if (!id) return std::nullopt;
            parent = id;
        }
        return parent;
    }
};

namespace {

// BEGIN IMMEDIATE takes the write lock up front, so no transaction ever has to
// upgrade a read to a write (which could fail without waiting); whatever is
// not committed is rolled back.
class WriteTransaction {
public:
    explicit WriteTransaction(SqliteStore::Connection& c) : c_(c), open_(c.run(kBegin)) {}
    ~WriteTransaction() {
        if (open_ && !sqlite3_get_autocommit(c_.db)) c_.run(kRollback);
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool open() const { return open_; }
    bool commit() {
        if (!c_.run(kCommit)) return false;
        open_ = false;
        // Its own commits do not move the connection's data_version.
        ++c_.changes;
        return true;
    }

private:
    SqliteStore::Connection& c_;
    bool open_;
};

// A connection inherited through fork() belongs to the parent: closing it in
// the child would disturb the parent's locks, so it is left alone for good.
void dispose(std::unique_ptr<SqliteStore::Connection> c) {
    if (c && c->owner != forkGeneration()) {
        static auto* abandoned = new std::vector<SqliteStore::Connection*>;
        abandoned->push_back(c.release());
    }
}

// Opening a connection costs as much as some forty reads (attaching the WAL and
// loading the schema), and the schedule thread makes an object per entry. So a
// connection whose object is gone waits here, idle, for this thread's next
// object on the same file. Only connections are kept, never data.
class IdleConnections {
public:
    using Ptr = std::unique_ptr<SqliteStore::Connection>;

    ~IdleConnections() {
        clear();
        gone_ = true;
    }

    Ptr take(const std::string& path) {
        disownAfterFork();
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if ((*it)->path != path) continue;
            Ptr c = std::move(*it);
            idle_.erase(std::next(it).base());
            if (!c->stillAtPath()) return nullptr;  // the file was replaced or removed
            return c;
        }
        return nullptr;
    }

    void give(Ptr c) {
        // Only a healthy connection between operations is worth keeping; a
        // read-only one would go on missing changes made by whoever may write
        // the file, and writes once it becomes writable.
        if (gone_ || c->owner != forkGeneration() || !sqlite3_get_autocommit(c->db) || c->readOnly ||
            (c->state != State::Ours && c->state != State::Empty)) {
            dispose(std::move(c));
            return;
        }
        disownAfterFork();
        if (idle_.size() >= kMaxIdle) idle_.erase(idle_.begin());
        idle_.push_back(std::move(c));
    }

    void clear() {
        for (Ptr& c : idle_) dispose(std::move(c));
        idle_.clear();
    }

    // Objects destroyed after this thread's pool (statics at exit) close theirs.
    static bool gone() { return gone_; }

private:
    static constexpr std::size_t kMaxIdle = 4;

    void disownAfterFork() {
        if (!idle_.empty() && idle_.front()->owner != forkGeneration()) clear();
    }

    std::vector<Ptr> idle_;
    static thread_local bool gone_;
};

thread_local bool IdleConnections::gone_ = false;
thread_local IdleConnections idleConnections;

}  // namespace

SqliteStore::SqliteStore() = default;

SqliteStore::~SqliteStore() {
    if (!connection_) return;
    if (IdleConnections::gone())
        dispose(std::move(connection_));
    else
        idleConnections.give(std::move(connection_));
}

void SqliteStore::closeIdleConnections() {
    if (!IdleConnections::gone()) idleConnections.clear();
}

// The program never changes its own environment, so reading it from two
// threads is safe here.
// NOLINTBEGIN(concurrency-mt-unsafe)
std::string SqliteStore::defaultPath() {
    if (const char* env = std::getenv("KESTRUNE_REGISTRY"); env && *env) return env;
    std::string base;
    // A relative XDG_DATA_HOME is to be ignored, as the XDG rules ask.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    return base + "/kestrune/registry.sqlite3";
}
// NOLINTEND(concurrency-mt-unsafe)

SqliteStore::Connection* SqliteStore::connect(bool forWrite) {
    if (connection_ && connection_->owner != forkGeneration()) dispose(std::move(connection_));
    if (connection_) return connection_.get();
    if (!path_) path_ = defaultPath();
    if (path_->empty()) return nullptr;
    if (!IdleConnections::gone()) connection_ = idleConnections.take(*path_);
    if (connection_) return connection_.get();
    if (forWrite && !makeFolders(*path_)) return nullptr;
    // Only a file is opened: a folder, a device or a pipe is left as it is.
    struct stat st {};
    const int error = stat(path_->c_str(), &st) == 0 ? 0 : errno;
    if ((error == 0 && !S_ISREG(st.st_mode)) || (error != 0 && error != ENOENT)) {
        tellOnce("Kestrune cannot use its store " + *path_ + ": " +
                 (error == 0 ? std::string("it is not a file") : std::system_category().message(error)) + ".");
        return nullptr;
    }
    std::string reason = readOnlyReason(*path_);
    auto c = open(*path_, !reason.empty(), forWrite);
    // A full file system may still take the empty -wal and -shm but not
    // their growth, and SQLite only finds out at the first read.
    if (c && !c->readOnly && !c->check() && sideFilesRefused(sqlite3_extended_errcode(c->db)) && exists(*path_)) {
        reason = sqlite3_errmsg(c->db);
        c = open(*path_, true, false);
    }
    if (!c) return nullptr;
    if (c->readOnly) tellReadOnly(*path_, reason);
    connection_ = std::move(c);
    return connection_.get();
}

std::unique_ptr<SqliteStore::Connection> SqliteStore::open(const std::string& path, bool readOnly, bool create) {
    auto c = std::make_unique<Connection>();
    c->path = path;
    c->readOnly = readOnly;
    if (readOnly) {
        c->immutable = immutableRead(path);
        if (sqlite3_open_v2(readOnlyUri(path).c_str(), &c->db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
            return nullptr;
    } else {
        // Without CREATE, a missing file stays missing: reads never make one.
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(path.c_str(), &c->db, flags, nullptr) != SQLITE_OK) return nullptr;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return nullptr;
    c->device = st.st_dev;
    c->inode = st.st_ino;
    sqlite3_busy_handler(c->db, waitForLock, &c->busySince);
    if (const int rc = sqlite3_exec(c->db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        // The first statement: where a file that is not a database fails.
        lastFailure = {};
        noteFailure(c->db, rc);
        tellFailure(path, "read");
        return nullptr;
    }
    return c;
}

SqliteStore::Result SqliteStore::readValue(RootKey hive, const std::string& path, const std::string& name, char* buffer,
                                           std::uint32_t capacity, std::uint32_t& size) {
    if (!validHive(hive) || !validPath(path)) return Result::Failed;
    Connection* c = connect(false);
    if (!c) return Result::Failed;
    if (const State s = c->current(); s != State::Ours) return s == State::Empty ? Result::Missing : Result::Failed;
    Query q(c->stmt(kRead));
    q.bind(1, std::int64_t{hive}).bind(2, path).bind(3, name);
    lastFailure = {};
    const int rc = q.step();
    if (rc == SQLITE_DONE) return Result::Missing;
    if (rc != SQLITE_ROW) {
        tellFailure(c->path, "read");
        return Result::Failed;
    }
    const void* data = sqlite3_column_blob(q.get(), 0);
    size = static_cast<std::uint32_t>(sqlite3_column_bytes(q.get(), 0));
    if (size > capacity) return Result::TooLarge;
    if (size > 0) std::memcpy(buffer, data, size);
    return Result::Ok;
}

SqliteStore::Change SqliteStore::changeKey(RootKey hive, const std::string& path, bool create,
                                           const std::function<Change(Connection&, std::int64_t key)>& change) {
    lastFailure = {};
    const Change done = changeKeyOnce(hive, path, create, change);
    // A file only read has said why already.
    if (done == Change::Failed && connection_ && !connection_->readOnly) tellFailure(connection_->path, "change");
    return done;
}

SqliteStore::Change SqliteStore::changeKeyOnce(RootKey hive, const std::string& path, bool create,
                                               const std::function<Change(Connection&, std::int64_t key)>& change) {
    if (!validHive(hive) || !validPath(path)) return Change::Failed;
    Connection* c = connect(create);
    // Without the file there is nothing to replace.
    if (!c) return !create && path_ && !path_->empty() && !exists(*path_) ? Change::Declined : Change::Failed;
    // Whatever it holds, a file only read cannot take the change.
    if (c->readOnly) return Change::Failed;
    const State s = c->current();
    if (s != State::Ours && s != State::Empty) return Change::Failed;
    if (s == State::Empty && !create) return Change::Declined;  // holds no key yet
    // The journal mode cannot change inside a transaction, so a new file gets
    // it first; it is kept in the file from the first commit on.
    if (s == State::Empty && !c->useWal()) return Change::Failed;
    WriteTransaction txn(*c);
    if (!txn.open()) return Change::Failed;
    bool laidOut = false;
    if (s == State::Empty) {
        // Looked at again under the write lock: another connection may have
        // laid the file out in the meantime.
        if (!c->check()) return Change::Failed;
        if (c->state == State::Empty) {
            c->state = State::Unchecked;  // until the layout is committed
            if (!c->createSchema()) return Change::Failed;
            laidOut = true;
        } else if (c->state != State::Ours) {
            return Change::Failed;
        }
    }
    const auto key = create ? c->findOrCreateKey(hive, path) : c->findKey(hive, path);
    if (!key) return create ? Change::Failed : Change::Declined;
    const Change done = change(*c, *key);
    if (done != Change::Done) return done;
    if (!txn.commit()) return Change::Failed;
    if (laidOut) c->state = State::Ours;
    return Change::Done;
}

namespace {

bool upsert(SqliteStore::Connection& c, std::int64_t key, std::string_view name, std::uint32_t type, const void* data,
            std::size_t size) {
    Query q(c.stmt(kUpsert));
    q.bind(1, key).bind(2, name).bind(3, std::int64_t{type}).bindBlob(4, data, size);
    return q.step() == SQLITE_DONE;
}

}  // namespace

bool SqliteStore::writeValue(RootKey hive, const std::string& path, const std::string& name, std::uint32_t type,
                             const void* data, std::size_t size) {
    return changeKey(hive, path, true, [&](Connection& c, std::int64_t key) {
               return upsert(c, key, name, type, data, size) ? Change::Done : Change::Failed;
           }) == Change::Done;
}

SqliteStore::Change SqliteStore::replaceValue(RootKey hive, const std::string& path, const std::string& name,
                                              const std::string& expected, std::uint32_t capacity, std::uint32_t type,
                                              const void* data, std::size_t size) {
    return changeKey(hive, path, false, [&](Connection& c, std::int64_t key) {
        {
            Query q(c.stmt(kRead));
            q.bind(1, std::int64_t{hive}).bind(2, path).bind(3, name);
            const int rc = q.step();
            if (rc == SQLITE_DONE) return Change::Declined;
            if (rc != SQLITE_ROW) return Change::Failed;
            const auto* stored = static_cast<const char*>(sqlite3_column_blob(q.get(), 0));
            const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(q.get(), 0));
            if (bytes > capacity) return Change::Declined;  // too long to read, so it reads as nothing
            if (std::string_view(stored ? stored : "", bytes ? strnlen(stored, bytes) : 0) != expected)
                return Change::Declined;
        }
        return upsert(c, key, name, type, data, size) ? Change::Done : Change::Failed;
    });
}

std::optional<std::string> SqliteStore::writeValueUnderFreeNumber(RootKey hive, const std::string& path,
                                                                  std::uint32_t type, const void* data,
                                                                  std::size_t size) {
    std::string name;
    const Change done = changeKey(hive, path, true, [&](Connection& c, std::int64_t key) {
        for (std::int64_t number = 0;; ++number) {
            name = std::to_string(number);
            Query q(c.stmt(kHasValue));
            q.bind(1, key).bind(2, name);
            const int rc = q.step();
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) return Change::Failed;
        }
        return upsert(c, key, name, type, data, size) ? Change::Done : Change::Failed;
    });
    if (done != Change::Done) return std::nullopt;
    return name;
}

bool SqliteStore::deleteValue(RootKey hive, const std::string& path, const std::string& name) {
    if (!validHive(hive) || !validPath(path)) return false;
    Connection* c = connect(false);
    if (!c || c->current() != State::Ours) return false;
    WriteTransaction txn(*c);
    if (!txn.open()) return false;
    {
        Query q(c->stmt(kDelete));
        q.bind(1, std::int64_t{hive}).bind(2, path).bind(3, name);
        if (q.step() != SQLITE_DONE) return false;
    }
    if (sqlite3_changes(c->db) != 1) return false;
    return txn.commit();
}

std::optional<std::int64_t> SqliteStore::findKey(RootKey hive, const std::string& path) {
    if (!validHive(hive) || !validPath(path)) return std::nullopt;
    Connection* c = connect(false);
    if (!c || c->current() != State::Ours) return std::nullopt;
    return c->findKey(hive, path);
}

bool SqliteStore::listValues(RootKey hive, const std::string& path, std::uint32_t capacity,
                             const RegistryBackend::EachValue& each) {
    if (!validHive(hive) || !validPath(path)) return false;
    Connection* c = connect(false);
    if (!c || c->current() != State::Ours || !c->findKey(hive, path)) return false;
    Query q(c->stmt(kList));
    q.bind(1, std::int64_t{hive}).bind(2, path);
    int rc = SQLITE_ROW;
    std::string name;
    while ((rc = q.step()) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
        name.assign(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(q.get(), 0)));
        const auto* data = static_cast<const char*>(sqlite3_column_blob(q.get(), 1));
        const auto size = static_cast<std::uint32_t>(sqlite3_column_bytes(q.get(), 1));
        if (!each(name, size > capacity ? Result::TooLarge : Result::Ok, data ? data : "", size)) return true;
    }
    if (rc != SQLITE_DONE) tellFailure(c->path, "read");
    return rc == SQLITE_DONE;
}

std::optional<std::uint64_t> SqliteStore::changeStamp() {
    // A connection kept for this is of no use once the path names another file.
    if (connection_ && !connection_->stillAtPath()) dispose(std::move(connection_));
    Connection* c = connect(false);
    // An immutable file is read as one that never changes, whoever writes it.
    if (!c || c->immutable) return std::nullopt;
    {
        Query q(c->stmt(kDataVersion));
        if (q.step() != SQLITE_ROW) return std::nullopt;
        const std::int64_t version = sqlite3_column_int64(q.get(), 0);
        if (version != c->dataVersion) {
            c->dataVersion = version;
            ++c->changes;
        }
    }
    return (c->serial << 32) + c->changes;
}

SqliteStore::Result SqliteStore::valueAfter(std::int64_t key, std::int64_t after, std::int64_t skip, std::string& name,
                                            std::int64_t& seq) {
    Connection* c = connect(false);
    if (!c || c->current() != State::Ours) return Result::Failed;
    Query q(c->stmt(kNext));
    q.bind(1, key).bind(2, after).bind(3, skip);
    const int rc = q.step();
    if (rc == SQLITE_DONE) return Result::Missing;
    if (rc != SQLITE_ROW) return Result::Failed;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
    name.assign(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(q.get(), 0)));
    seq = sqlite3_column_int64(q.get(), 1);
    return Result::Ok;
}

}  // namespace platform
