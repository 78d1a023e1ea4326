#include "RegistryTestSupport.h"

#include "platform/SqliteStore.h"

#include <filesystem>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using namespace registrytest;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr char kKey[] = "SOFTWARE\\Kestrune Test";

using RegistryReaderWriterTest = StoreTest;

TEST_F(RegistryReaderWriterTest, NoKeyNamedFailsReadsAndListingsAlike) {
    ASSERT_TRUE(Reg(kKey).writeString("x", "v"));  // only the key name is at fault
    RegistryReaderWriter r;
    CerrCapture err;
    bool ok = true;
    EXPECT_EQ(r.readString("v", ok), "null");
    EXPECT_FALSE(ok);
    EXPECT_EQ(err.take(), "Null Key Name ");
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_EQ(err.take(), "Null Key Name ");
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(r.nextValueName(ok), "null");
    EXPECT_FALSE(ok);
    // Naming "null" again closes a listing that was open.
    EXPECT_TRUE(r.setKeyName(kKey));
    ASSERT_TRUE(r.startEnumeration());
    EXPECT_TRUE(r.setKeyName("null"));
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(r.nextValueName(ok), "null");
    EXPECT_FALSE(ok);
    EXPECT_EQ(err.take(), "");
}

TEST_F(RegistryReaderWriterTest, MissingStoreKeyOrValueIsAPlainFailure) {
    CerrCapture err;
    EXPECT_FALSE(Reg(kKey).valueExists("v"));
    EXPECT_FALSE(std::filesystem::exists(store())) << "only a write may create the file";
    err.take();
    useStore(dir_.file("sub/dir/registry.sqlite3"));
    Reg r(kKey);
    bool ok = true;
    EXPECT_EQ(r.readString("v", ok), "null");
    EXPECT_FALSE(ok);
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
    EXPECT_EQ(err.take(), "Error in readStringError in readString");
    EXPECT_FALSE(other.deleteValue("v"));
    EXPECT_FALSE(r.deleteValue("w"));
    EXPECT_TRUE(r.deleteValue("V"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_EQ(err.take(), "Error in readString");

    // A file removed or replaced meanwhile is not read through a connection
    // kept from before.
    ASSERT_TRUE(Reg(kKey).writeString("old", "v"));
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(dir_.file("sub/dir/registry.sqlite3") + suffix);
    EXPECT_FALSE(Reg(kKey).valueExists("v"));
    ASSERT_TRUE(Reg(kKey).writeString("new", "w"));
    EXPECT_EQ(Reg(kKey).names(), std::vector<std::string>{"w"});
    EXPECT_EQ(err.take(), "Error in readString");
}

TEST_F(RegistryReaderWriterTest, TextFitsUpTo259Characters) {
    Reg r(kKey);
    const std::string fits(259, 'a');
    ASSERT_TRUE(r.writeString(fits, "fits"));
    ASSERT_TRUE(r.writeString(std::string(260, 'b'), "long"));
    ASSERT_TRUE(r.writeString("null", "literal"));
    ASSERT_TRUE(r.writeString("", "empty"));
    CerrCapture err;
    bool ok = false;
    EXPECT_EQ(r.readString("fits", ok), fits);
    EXPECT_TRUE(ok);
    EXPECT_EQ(r.readString("long", ok), "null");
    EXPECT_FALSE(ok);
    EXPECT_EQ(err.take(), "Error in readStringBuffer is too small");
    EXPECT_FALSE(r.valueExists("long"));
    EXPECT_EQ(err.take(), "Error in readStringBuffer is too small");
    EXPECT_EQ(r.readString("literal", ok), "null");
    EXPECT_TRUE(ok);
    EXPECT_EQ(r.readString("empty", ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(err.take(), "");
    EXPECT_EQ(sql(store(), "SELECT type || ':' || hex(data) FROM registry_values"
                           " WHERE name IN ('literal', 'empty') ORDER BY seq"),
              "1:6E756C6C00|1:00");
}

TEST_F(RegistryReaderWriterTest, NumbersAreFourBytesThatReadAsText) {
    Reg r(kKey);
    ASSERT_TRUE(r.writeNumber(0x00434241, "abc"));
    ASSERT_TRUE(r.writeNumber(0, "zero"));
    ASSERT_TRUE(r.writeNumber(0x44434241, "abcd"));
    ASSERT_TRUE(r.writeNumber(-2, "minus"));
    ASSERT_TRUE(r.writeString(std::string(259, 'x'), "wide"));
    bool ok = false;
    EXPECT_EQ(r.readString("abc", ok), "ABC");
    EXPECT_TRUE(ok);
    EXPECT_EQ(r.readString("zero", ok), "");
    EXPECT_TRUE(ok);
    // No zero byte ends these: the text stops with the data, not with what
    // the wide read left in the buffer.
    r.readString("wide", ok);
    EXPECT_EQ(r.readString("abcd", ok), "ABCD");
    EXPECT_EQ(r.readString("minus", ok), "\xFE\xFF\xFF\xFF");
    EXPECT_EQ(sql(store(), "SELECT type || ':' || hex(data) FROM registry_values WHERE name = 'abc'"), "4:41424300");
    ASSERT_TRUE(r.writeString("text", "ABC"));
    EXPECT_EQ(r.readString("abc", ok), "text");
}

TEST_F(RegistryReaderWriterTest, KeysAreMadeWholeAndNamesMatchInAnyCase) {
    ASSERT_TRUE(Reg("SOFTWARE\\Vendor\\Product").writeString("1", "Alpha"));
    EXPECT_EQ(sql(store(), "SELECT k.path || '<' || coalesce(p.path, '-') FROM registry_keys k"
                           " LEFT JOIN registry_keys p ON p.id = k.parent WHERE k.hive = 2147483650 ORDER BY k.id"),
              "<-|SOFTWARE<|SOFTWARE\\Vendor<SOFTWARE|SOFTWARE\\Vendor\\Product<SOFTWARE\\Vendor");
    Reg shouted("software\\VENDOR\\product");
    bool ok = false;
    EXPECT_EQ(shouted.readString("ALPHA", ok), "1");
    ASSERT_TRUE(shouted.writeString("2", "alpha"));
    EXPECT_EQ(shouted.names(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(Reg("Software\\Vendor").names(), std::vector<std::string>{});
    EXPECT_TRUE(Reg("Software\\Vendor").startEnumeration());
    EXPECT_FALSE(Reg("SOFTWARE\\Vendor\\Product", HKEY_CURRENT_USER).startEnumeration());
    // The hive's root is a key like any other.
    Reg root("");
    ASSERT_TRUE(root.writeNumber(7, "atRoot"));
    EXPECT_EQ(root.names(), std::vector<std::string>{"atRoot"});
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
    for (const std::string name : {"one", "two", "three"}) ASSERT_TRUE(r.writeString(name + "!", name));
    ASSERT_TRUE(r.writeString("long name", name999));
    ASSERT_TRUE(r.writeString("again", "ONE"));
    // Reads between the calls leave the listing where it was.
    ASSERT_TRUE(r.startEnumeration());
    std::vector<std::string> listed;
    bool ok = false;
    for (std::string name = r.nextValueName(ok); ok; name = r.nextValueName(ok)) {
        listed.push_back(name);
        EXPECT_TRUE(r.valueExists(name));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"one", "two", "three", name999}));
    EXPECT_EQ(r.nextValueName(ok), "null");
    EXPECT_FALSE(ok);

    // A name of 1000 characters has no room: that call fails and the next
    // goes on with the next index.
    Reg tight("SOFTWARE\\Tight");
    for (const std::string& name : {std::string("a"), std::string(1000, 'm'), std::string("c")})
        ASSERT_TRUE(tight.writeString("x", name));
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.nextValueName(ok), "a");
    EXPECT_EQ(tight.nextValueName(ok), "null");
    EXPECT_FALSE(ok);
    EXPECT_EQ(tight.nextValueName(ok), "c");
    EXPECT_TRUE(ok);
    tight.nextValueName(ok);
    EXPECT_FALSE(ok);
    // That failed call used up index 3, so a value added now (index 3) is not
    // listed; a new start lists from index 0.
    ASSERT_TRUE(tight.writeString("x", "d"));
    tight.nextValueName(ok);
    EXPECT_FALSE(ok);
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.nextValueName(ok), "a");
    // A failed start closes the listing that was open.
    tight.setKeyName("SOFTWARE\\Missing");
    EXPECT_FALSE(tight.startEnumeration());
    EXPECT_EQ(tight.nextValueName(ok), "null");
    EXPECT_FALSE(ok);
}

TEST_F(RegistryReaderWriterTest, WritesReportWhetherTheValueWasStored) {
    useStore("/proc/kestrune/registry.sqlite3");
    EXPECT_FALSE(Reg(kKey).writeString("x", "v"));
    EXPECT_FALSE(Reg(kKey).writeNumber(1, "v"));
    useStore(dir_.path());  // a folder, not a file
    EXPECT_FALSE(Reg(kKey).writeString("x", "v"));
    useStore(store());
    EXPECT_TRUE(Reg(kKey).writeString("x", "v"));
}

using RegistryStoreFaultTest = StoreTest;

// Every operation fails as on a failed store, and the file stays byte for byte.
void expectRefused(const std::string& file) {
    SqliteStore::closeIdleConnections();
    const std::string before = readFile(file);
    {
        Reg r(kKey);
        CerrCapture err;
        bool ok = true;
        EXPECT_EQ(r.readString("v", ok), "null");
        EXPECT_FALSE(ok);
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

void writeStore(int values) {
    Reg r(kKey);
    for (int i = 0; i < values; ++i) ASSERT_TRUE(r.writeString(std::string(200, 'd'), "v" + std::to_string(i)));
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
    SqliteStore::closeIdleConnections();
    EXPECT_EQ(sql(store(), "PRAGMA user_version = 2"), "");  // a later layout
    expectRefused(store());

    removeStore();
    writeStore(60);
    SqliteStore::closeIdleConnections();
    std::filesystem::resize_file(store(), std::filesystem::file_size(store()) / 2);
    expectRefused(store());

    // An empty file holds nothing to lose: it becomes a store.
    removeStore();
    writeFile(store(), "");
    EXPECT_TRUE(Reg(kKey).writeString("x", "v"));
}

TEST_F(RegistryStoreFaultTest, PermissionsThatForbidWritingFailCleanly) {
    writeStore(1);
    SqliteStore::closeIdleConnections();
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
        bool ok = false;
        EXPECT_EQ(r.readString("v0", ok), std::string(200, 'd'));
        EXPECT_TRUE(ok);
        EXPECT_EQ(r.names(), std::vector<std::string>{"v0"});
        EXPECT_FALSE(r.writeString("x", "v0"));
        EXPECT_FALSE(r.writeNumber(1, "n"));
        EXPECT_FALSE(r.deleteValue("v0"));
    });
    if (!ran) return;
    SqliteStore::closeIdleConnections();
    EXPECT_EQ(readFile(lockedStore + "/registry.sqlite3"), valid);
    EXPECT_EQ(readFile(open + "/registry.sqlite3"), valid);
}

}  // namespace
