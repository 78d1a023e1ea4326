#include "RegistryTestSupport.h"

#include <filesystem>
#include <random>

#include <sys/stat.h>

using namespace platform;
using namespace registrytest;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr char kKey[] = "SOFTWARE\\Kestrune Test";
using Names = std::vector<std::string>;

using RegistryReaderWriterTest = StoreTest;

TEST_F(RegistryReaderWriterTest, NoKeyNamedFailsReadsAndListingsAlike) {
    ASSERT_TRUE(Reg(kKey).writeString("x", "v"));  // only the key name is at fault
    Reg r;
    CerrCapture err;
    EXPECT_EQ(r.read("v"), "!null");
    EXPECT_EQ(err.take(), "Null Key Name ");
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_EQ(err.take(), "Null Key Name ");
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(r.next(), "!null");
    EXPECT_EQ(err.take(), "");
}

TEST_F(RegistryReaderWriterTest, MissingStoreKeyOrValueIsAPlainFailure) {
    CerrCapture err;
    EXPECT_EQ(Reg(kKey).read("v"), "!null");
    EXPECT_FALSE(std::filesystem::exists(store())) << "only a write may create the file";
    useStore(dir_.file("sub/dir/registry.sqlite3"));
    Reg r(kKey);
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(err.take(), "Error in readStringError in readString");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("sub"))) << "only a write may create the folder";

    ASSERT_TRUE(r.writeString("x", "v"));
    struct stat st {};
    ASSERT_EQ(stat(dir_.file("sub/dir").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    Reg other("SOFTWARE\\Elsewhere");
    EXPECT_FALSE(other.valueExists("v"));
    EXPECT_FALSE(r.valueExists("w"));
    EXPECT_FALSE(other.deleteValue("v"));
    EXPECT_FALSE(r.deleteValue("w"));
    EXPECT_TRUE(r.deleteValue("V"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_EQ(r.read("v"), "!null");
    EXPECT_EQ(err.take(), "Error in readStringError in readStringError in readString");

    // A file removed meanwhile is not read through a connection kept idle.
    ASSERT_TRUE(Reg(kKey).writeString("old", "v"));
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(dir_.file("sub/dir/registry.sqlite3") + suffix);
    EXPECT_FALSE(Reg(kKey).valueExists("v"));
    ASSERT_TRUE(Reg(kKey).writeString("new", "w"));
    EXPECT_EQ(Reg(kKey).names(), Names{"w"});
}

TEST_F(RegistryReaderWriterTest, DataReadsAsTextUpToItsFirstZeroByteAndTheBuffer) {
    Reg r(kKey);
    const std::string fits(259, 'a');
    ASSERT_TRUE(r.writeString(fits, "fits"));
    ASSERT_TRUE(r.writeString(std::string(260, 'b'), "long"));
    ASSERT_TRUE(r.writeString("null", "literal"));
    ASSERT_TRUE(r.writeString("", "empty"));
    ASSERT_TRUE(r.writeNumber(0x00434241, "abc"));
    ASSERT_TRUE(r.writeNumber(0, "zero"));
    ASSERT_TRUE(r.writeNumber(0x44434241, "abcd"));
    ASSERT_TRUE(r.writeNumber(-2, "minus"));
    CerrCapture err;
    EXPECT_EQ(r.read("long"), "!null");
    EXPECT_EQ(err.take(), "Error in readStringBuffer is too small");
    EXPECT_FALSE(r.valueExists("long"));
    EXPECT_EQ(err.take(), "Error in readStringBuffer is too small");
    EXPECT_EQ(r.read("literal"), "null");
    EXPECT_EQ(r.read("empty"), "");
    EXPECT_EQ(r.read("abc"), "ABC");
    EXPECT_EQ(r.read("zero"), "");
    // No zero byte ends these: the text ends with the data, not with what
    // the read before left in the buffer.
    EXPECT_EQ(r.read("fits"), fits);
    EXPECT_EQ(r.read("abcd"), "ABCD");
    EXPECT_EQ(r.read("minus"), "\xFE\xFF\xFF\xFF");
    EXPECT_EQ(err.take(), "");
    EXPECT_EQ(sql(store(), "SELECT type || ':' || hex(data) FROM registry_values"
                           " WHERE name IN ('literal', 'empty', 'abc') ORDER BY seq"),
              "1:6E756C6C00|1:00|4:41424300");
    ASSERT_TRUE(r.writeString("text", "ABC"));
    EXPECT_EQ(r.read("abc"), "text");
}

TEST_F(RegistryReaderWriterTest, KeysAreMadeWholeAndNamesMatchInAnyCase) {
    ASSERT_TRUE(Reg("SOFTWARE\\Vendor\\Product").writeString("1", "Alpha"));
    EXPECT_EQ(sql(store(), "SELECT k.path || '<' || coalesce(p.path, '-') FROM registry_keys k"
                           " LEFT JOIN registry_keys p ON p.id = k.parent WHERE k.hive = 2147483650 ORDER BY k.id"),
              "<-|SOFTWARE<|SOFTWARE\\Vendor<SOFTWARE|SOFTWARE\\Vendor\\Product<SOFTWARE\\Vendor");
    Reg shouted("software\\VENDOR\\product");
    EXPECT_EQ(shouted.read("ALPHA"), "1");
    ASSERT_TRUE(shouted.writeString("2", "alpha"));
    EXPECT_EQ(shouted.names(), Names{"Alpha"});
    EXPECT_FALSE(Reg("SOFTWARE\\Vendor\\Product", HKEY_CURRENT_USER).startEnumeration());
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

TEST_F(RegistryReaderWriterTest, ListingKeepsFirstWriteOrderAndCountsFailedCalls) {
    Reg r(kKey);
    const std::string name999(999, 'n');
    for (const std::string& name : {std::string("one"), std::string("two"), std::string("three"), name999})
        ASSERT_TRUE(r.writeString("x", name));
    ASSERT_TRUE(r.writeString("again", "ONE"));
    // Reads between the calls leave the listing where it was.
    ASSERT_TRUE(r.startEnumeration());
    Names listed;
    for (std::string name = r.next(); name != "!null"; name = r.next()) {
        listed.push_back(name);
        EXPECT_TRUE(r.valueExists(name));
    }
    EXPECT_EQ(listed, (Names{"one", "two", "three", name999}));
    EXPECT_EQ(r.next(), "!null");

    // A name of 1000 characters has no room: that call fails and the next
    // goes on with the next index.
    Reg tight("SOFTWARE\\Tight");
    for (const std::string& name : {std::string("a"), std::string(1000, 'm'), std::string("c")})
        ASSERT_TRUE(tight.writeString("x", name));
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "a");
    EXPECT_EQ(tight.next(), "!null");
    EXPECT_EQ(tight.next(), "c");
    EXPECT_EQ(tight.next(), "!null");
    // That call used up index 3, so a value added now (index 3) is not
    // listed; a new start lists from index 0.
    ASSERT_TRUE(tight.writeString("x", "d"));
    EXPECT_EQ(tight.next(), "!null");
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "a");
    // A failed start closes the listing that was open.
    tight.setKeyName("SOFTWARE\\Missing");
    EXPECT_FALSE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "!null");
}

using RegistryStoreFaultTest = StoreTest;

// Every operation fails as on a failed store, and the file stays byte for byte.
void expectRefused(const std::string& file) {
    SqliteStore::closeIdleConnections();
    const std::string before = readFile(file);
    {
        Reg r(kKey);
        CerrCapture err;
        EXPECT_EQ(r.read("v"), "!null");
        EXPECT_EQ(err.take(), "Error in readString");
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

TEST_F(RegistryStoreFaultTest, FilesThatAreNotOursAreRefusedUntouched) {
    writeFile(store(), "Not a database at all, just some text\n");
    expectRefused(store());
    std::string noise(8192, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    writeFile(store(), noise);
    expectRefused(store());

    removeStore();
    EXPECT_EQ(sql(store(), "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('v', 'x')"), "");
    expectRefused(store());

    removeStore();
    writeStore(1);
    EXPECT_EQ(sql(store(), "PRAGMA user_version = 2"), "");  // a later layout
    expectRefused(store());

    removeStore();
    writeStore(60);
    std::filesystem::resize_file(store(), std::filesystem::file_size(store()) / 2);
    expectRefused(store());

    // An empty file holds nothing to lose: it becomes a store.
    removeStore();
    writeFile(store(), "");
    EXPECT_TRUE(Reg(kKey).writeString("x", "v"));
}

TEST_F(RegistryStoreFaultTest, PermissionsThatForbidWritingFailCleanly) {
    writeStore(1);
    const std::string valid = readFile(store());
    const std::string locked = dir_.file("locked"), lockedStore = dir_.file("lockedStore"), open = dir_.file("open");
    for (const std::string& d : {locked, lockedStore, open}) ASSERT_EQ(mkdir(d.c_str(), 0700), 0);
    writeFile(lockedStore + "/registry.sqlite3", valid);
    writeFile(open + "/registry.sqlite3", valid);
    ASSERT_EQ(chmod((open + "/registry.sqlite3").c_str(), 0444), 0);
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);  // writable for whoever runs the checks
    for (const std::string& d : {locked, lockedStore}) ASSERT_EQ(chmod(d.c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);

    const bool ran = asUnprivileged([&] {
        CerrCapture err;
        useStore(locked + "/registry.sqlite3");
        EXPECT_FALSE(Reg(kKey).writeString("x", "v"));
        EXPECT_FALSE(Reg(kKey).valueExists("v0"));
        EXPECT_FALSE(std::filesystem::exists(locked + "/registry.sqlite3"));
        // WAL needs its -shm and -wal beside the file: reads fail where they
        // cannot be made, and work where only the file is read-only.
        useStore(lockedStore + "/registry.sqlite3");
        expectRefused(lockedStore + "/registry.sqlite3");
        useStore(open + "/registry.sqlite3");
        Reg r(kKey);
        EXPECT_EQ(r.read("v0"), std::string(200, 'd'));
        EXPECT_EQ(r.names(), Names{"v0"});
        EXPECT_FALSE(r.writeString("x", "v0"));
        EXPECT_FALSE(r.deleteValue("v0"));
    });
    if (!ran) return;
    SqliteStore::closeIdleConnections();
    EXPECT_EQ(readFile(lockedStore + "/registry.sqlite3"), valid);
    EXPECT_EQ(readFile(open + "/registry.sqlite3"), valid);
}

}  // namespace
