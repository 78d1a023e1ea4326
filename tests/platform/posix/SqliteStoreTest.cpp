// What only the SQLite store promises: how its file is made, laid out and
// listed, and how it bears damaged, foreign and locked files.
#include "SqliteTestSupport.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/stat.h>

using namespace platform;
using namespace registrytest;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr char kKey[] = "SOFTWARE\\Kestrune Test";
using Names = std::vector<std::string>;

using RegistryStoreFileTest = StoreFileTest;

TEST_F(RegistryStoreFileTest, OnlyAWriteMakesTheFileAndItsFolder) {
    CerrCapture err;
    EXPECT_EQ(Reg(kKey).read("v"), "!null");
    EXPECT_FALSE(std::filesystem::exists(store())) << "only a write may create the file";
    useStore(file("sub/dir/registry.sqlite3"));
    Reg r(kKey);
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_FALSE(std::filesystem::exists(file("sub"))) << "only a write may create the folder";

    ASSERT_TRUE(r.writeString("x", "v"));
    struct stat st {};
    ASSERT_EQ(stat(file("sub/dir").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A file removed meanwhile is not read through a connection kept idle.
    ASSERT_TRUE(Reg(kKey).writeString("old", "v"));
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file("sub/dir/registry.sqlite3") + suffix);
    EXPECT_FALSE(Reg(kKey).valueExists("v"));
    ASSERT_TRUE(Reg(kKey).writeString("new", "w"));
    EXPECT_EQ(Reg(kKey).names(), Names{"w"});
}

TEST_F(RegistryStoreFileTest, KeysAreRowsOfTheirHiveAndEveryPathIsChecked) {
    ASSERT_TRUE(Reg("SOFTWARE\\Vendor\\Product").writeString("1", "Alpha"));
    EXPECT_EQ(sql(store(),
                  "SELECT k.path || '<' || coalesce(p.path, '-') FROM registry_keys k"
                  " LEFT JOIN registry_keys p ON p.id = k.parent WHERE k.hive = 2147483650 ORDER BY k.id"),
              "<-|SOFTWARE<|SOFTWARE\\Vendor<SOFTWARE|SOFTWARE\\Vendor\\Product<SOFTWARE\\Vendor");
    Reg root("");  // the hive's root is a key like any other
    ASSERT_TRUE(root.writeNumber(7, "atRoot"));
    EXPECT_EQ(root.names(), Names{"atRoot"});
    // An empty component names no key; an unknown hive holds none.
    CerrCapture err;
    for (const char* bad : {"\\SOFTWARE", "SOFTWARE\\", "SOFTWARE\\\\Vendor"}) {
        EXPECT_FALSE(Reg(bad).writeString("x", "v")) << bad;
        EXPECT_FALSE(Reg(bad).startEnumeration()) << bad;
    }
    EXPECT_FALSE(Reg("SOFTWARE\\Vendor\\Product", 0x80000004).valueExists("Alpha"));
    EXPECT_FALSE(Reg(kKey, 0x80000004).writeString("x", "v"));
}

TEST_F(RegistryStoreFileTest, ListingKeepsFirstWriteOrder) {
    Reg r(kKey);
    const std::string name999(999, 'n');
    for (const std::string& name : {std::string("one"), std::string("two"), std::string("three"), name999})
        ASSERT_TRUE(r.writeString("x", name));
    ASSERT_TRUE(r.writeString("again", "ONE"));
    EXPECT_EQ(r.names(), (Names{"one", "two", "three", name999}));
}

TEST_F(RegistryStoreFileTest, AWriteWaitsForAnotherWritersLockAsLongAsItsThreadMay) {
    using Clock = std::chrono::steady_clock;
    ASSERT_TRUE(Reg(kKey).writeString("before", "v"));
    ASSERT_TRUE(store_.holdWriteLock());
    const auto start = Clock::now();
    bool uiWrote = true, backgroundWrote = false;
    Clock::duration uiWaited{};
    std::thread ui([&] {
        RegistryReaderWriter::setLockWait(kUiLockWait);
        uiWrote = Reg(kKey).writeString("ui", "v");
        uiWaited = Clock::now() - start;
    });
    std::thread background([&] { backgroundWrote = Reg(kKey).writeString("background", "v"); });
    ui.join();
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the background thread waits on
    store_.releaseWriteLock();
    background.join();
    EXPECT_FALSE(uiWrote);
    EXPECT_GT(uiWaited, std::chrono::milliseconds(1500));
    EXPECT_LT(uiWaited, std::chrono::milliseconds(3500));
    EXPECT_TRUE(backgroundWrote);
    EXPECT_EQ(Reg(kKey).read("v"), "background");
}

// Every operation fails as on a failed store, and the file stays byte for
// byte. Why is said once in the run, before the store's own diagnostic:
// `why` ends that line, empty where the same line was said already.
void expectRefused(const std::string& file, const std::string& why) {
    SqliteStore::closeIdleConnections();
    const std::string before = readFile(file);
    {
        Reg r(kKey);
        CerrCapture err;
        EXPECT_EQ(r.read("v"), "!null");
        EXPECT_EQ(err.take(), (why.empty() ? "" : "Kestrune cannot " + why + "\n") + "Error in readString");
        EXPECT_FALSE(r.writeString("y", "v"));
        EXPECT_FALSE(r.writeNumber(1, "n"));
        EXPECT_FALSE(r.deleteValue("v"));
        EXPECT_FALSE(r.startEnumeration());
        EXPECT_EQ(err.take(), "");
    }
    SqliteStore::closeIdleConnections();
    EXPECT_EQ(readFile(file), before) << file << " was changed";
}

// A valid store, with no connection left open to it.
void writeStore(int values) {
    {
        Reg r(kKey);
        for (int i = 0; i < values; ++i) ASSERT_TRUE(r.writeString(std::string(200, 'd'), "v" + std::to_string(i)));
    }
    SqliteStore::closeIdleConnections();
}

using RegistryStoreFaultTest = StoreFileTest;

TEST_F(RegistryStoreFaultTest, FilesThatAreNotOursAreRefusedUntouched) {
    writeFile(store(), "Not a database at all, just some text\n");
    expectRefused(store(), "read its store " + store() + ": it is damaged (file is not a database).");
    std::string noise(8192, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    writeFile(store(), noise);
    expectRefused(store(), "");

    removeStore();
    EXPECT_EQ(sql(store(), "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('v', 'x')"), "");
    expectRefused(
        store(), "use its store " + store() + ": it is another program's file, or one of a later version of Kestrune.");

    removeStore();
    writeStore(1);
    EXPECT_EQ(sql(store(), "PRAGMA user_version = 2"), "");  // a later layout
    expectRefused(store(), "");

    removeStore();
    writeStore(60);
    std::filesystem::resize_file(store(), std::filesystem::file_size(store()) / 2);
    expectRefused(store(), "read its store " + store() + ": it is damaged (database disk image is malformed).");

    // What is no file at all is never opened.
    removeStore();
    ASSERT_EQ(mkdir(store().c_str(), 0700), 0);
    expectRefused(store(), "use its store " + store() + ": it is not a file.");
    ASSERT_EQ(rmdir(store().c_str()), 0);
    ASSERT_EQ(symlink(store().c_str(), store().c_str()), 0);
    {
        Reg r(kKey);
        CerrCapture err;
        EXPECT_EQ(r.read("v"), "!null");
        EXPECT_EQ(err.take(), "Kestrune cannot use its store " + store() +
                                  ": Too many levels of symbolic links.\nError in readString");
        EXPECT_FALSE(r.writeString("y", "v"));
    }
    ASSERT_EQ(unlink(store().c_str()), 0);

    // An empty file holds nothing to lose: it becomes a store.
    removeStore();
    writeFile(store(), "");
    EXPECT_TRUE(Reg(kKey).writeString("x", "v"));
}

TEST_F(RegistryStoreFaultTest, PermissionsThatForbidWritingFailCleanly) {
    writeStore(1);
    const std::string valid = readFile(store());
    const std::string locked = file("locked"), lockedStore = file("lockedStore"), open = file("open");
    // A store the user may write in a folder that refuses new files: WAL
    // reads need a -wal and -shm there.
    const std::string writableInLocked = file("writableInLocked");
    for (const std::string& d : {locked, lockedStore, open, writableInLocked}) ASSERT_EQ(mkdir(d.c_str(), 0700), 0);
    writeFile(lockedStore + "/registry.sqlite3", valid);
    writeFile(writableInLocked + "/registry.sqlite3", valid);
    ASSERT_EQ(chmod((writableInLocked + "/registry.sqlite3").c_str(), 0666), 0);
    const std::string openStore = open + "/registry.sqlite3";
    writeFile(openStore, valid);
    ASSERT_EQ(chmod(openStore.c_str(), 0444), 0);
    // Its owner may make it writable again.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(openStore.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);  // writable for whoever runs the checks
    for (const std::string& d : {locked, lockedStore, writableInLocked}) ASSERT_EQ(chmod(d.c_str(), 0555), 0);
    ASSERT_EQ(chmod(folder().c_str(), 0755), 0);

    const bool ran = asUnprivileged([&] {
        CerrCapture err;
        useStore(locked + "/registry.sqlite3");
        EXPECT_FALSE(Reg(kKey).writeString("x", "v"));
        EXPECT_FALSE(Reg(kKey).valueExists("v0"));
        EXPECT_FALSE(std::filesystem::exists(locked + "/registry.sqlite3"));
        // A file that may not be written is read as it is, in a folder that
        // may not be written either.
        for (const std::string& d : {lockedStore, open, writableInLocked}) {
            useStore(d + "/registry.sqlite3");
            err.take();
            Reg r(kKey);
            EXPECT_EQ(r.read("v0"), std::string(200, 'd')) << d;
            EXPECT_EQ(r.names(), Names{"v0"});
            EXPECT_FALSE(r.writeString("x", "v0"));
            EXPECT_FALSE(r.deleteValue("v0"));
            // Not "another wrote first": whatever the value, it cannot be written.
            EXPECT_EQ(r.compareAndWriteString("", "x", "missing"), RegistryReaderWriter::CompareAndWrite::Failed);
            EXPECT_EQ(Reg(kKey).read("v0"), std::string(200, 'd')) << d;
            // Why, said once however often it is used.
            const std::string said = err.take();
            const std::string why =
                d == writableInLocked ? "its folder " + d + " does not allow new files" : "the file may not be written";
            std::string line = "Kestrune can read its store " + d;
            line += "/registry.sqlite3 but not change it: ";
            line += why;
            EXPECT_EQ(said.find(line), 0u) << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
            for (const char* side : {"-wal", "-shm"})
                EXPECT_FALSE(std::filesystem::exists(d + "/registry.sqlite3" + side)) << d << side;
        }
        // It left no -wal or -shm behind, whose mode would keep failing
        // writes once the file is writable again.
        useStore(openStore);
        ASSERT_EQ(chmod(openStore.c_str(), 0644), 0);
        EXPECT_TRUE(Reg(kKey).writeString("x", "v0"));
        EXPECT_EQ(Reg(kKey).read("v0"), "x");
    });
    if (!ran) return;
    SqliteStore::closeIdleConnections();
    EXPECT_EQ(readFile(lockedStore + "/registry.sqlite3"), valid);
    EXPECT_EQ(readFile(writableInLocked + "/registry.sqlite3"), valid);
}

}  // namespace
