// How the store behaves, on the SQLite file and on the Windows registry alike.
#include "RegistryTestSupport.h"

#include "platform/Registry.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <thread>

using namespace platform;
using namespace registrytest;

namespace {

const std::string kKey = testsupport::kTestKey;
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

TEST_F(RegistryReaderWriterTest, MissingKeyOrValueIsAPlainFailure) {
    CerrCapture err;
    Reg r(kKey);
    EXPECT_EQ(r.read("v"), "!null");
    EXPECT_FALSE(r.valueExists("v"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(err.take(), "Error in readStringError in readString");

    ASSERT_TRUE(r.writeString("x", "v"));
    Reg other(kKey + "\\Elsewhere");
    EXPECT_FALSE(other.valueExists("v"));
    EXPECT_FALSE(r.valueExists("w"));
    EXPECT_FALSE(other.deleteValue("v"));
    EXPECT_FALSE(r.deleteValue("w"));
    EXPECT_TRUE(r.deleteValue("V"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_EQ(r.read("v"), "!null");
    EXPECT_EQ(err.take(), "Error in readStringError in readStringError in readString");
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
    // A text is stored with one zero byte, a number as four bytes, least
    // significant first.
    EXPECT_EQ(store_.rawValue(kKey, "literal"), "1:6E756C6C00");
    EXPECT_EQ(store_.rawValue(kKey, "empty"), "1:00");
    EXPECT_EQ(store_.rawValue(kKey, "abc"), "4:41424300");
    EXPECT_EQ(store_.rawValue(kKey, "minus"), "4:FEFFFFFF");
    ASSERT_TRUE(r.writeString("text", "ABC"));
    EXPECT_EQ(r.read("abc"), "text");
    EXPECT_EQ(store_.rawValue(kKey, "abc"), "1:7465787400");
}

TEST_F(RegistryReaderWriterTest, KeysAreMadeWholeAndNamesMatchInAnyCase) {
    const std::string product = kKey + "\\Vendor\\Product";
    ASSERT_TRUE(Reg(product).writeString("1", "Alpha"));
    EXPECT_TRUE(Reg(kKey + "\\Vendor").startEnumeration());
    EXPECT_EQ(Reg(kKey + "\\Vendor").names(), Names{});
    Reg shouted("software\\KESTRUNE test\\VENDOR\\product");
    EXPECT_EQ(shouted.read("ALPHA"), "1");
    ASSERT_TRUE(shouted.writeString("2", "alpha"));
    EXPECT_EQ(shouted.names(), Names{"Alpha"});
    EXPECT_EQ(Reg(product).read("Alpha"), "2");
    // The hives are apart.
    EXPECT_FALSE(Reg(product, HKEY_CURRENT_USER).startEnumeration());
}

TEST_F(RegistryReaderWriterTest, ListingGivesEachNameOnceAndCountsFailedCalls) {
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
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (Names{name999, "one", "three", "two"}));
    EXPECT_EQ(r.next(), "!null");

    // A name of 1000 characters has no room: that call fails and the next
    // goes on with the next index. (The names sort as they are written, so
    // the indexes are the same in either order of listing.)
    Reg tight(kKey + "\\Tight");
    for (const std::string& name : {std::string("a"), std::string(1000, 'm'), std::string("z")})
        ASSERT_TRUE(tight.writeString("x", name));
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "a");
    EXPECT_EQ(tight.next(), "!null");
    EXPECT_EQ(tight.next(), "z");
    EXPECT_EQ(tight.next(), "!null");
    // That call used up index 3, so a value added now (index 3) is not
    // listed; a new start lists from index 0.
    ASSERT_TRUE(tight.writeString("x", "zz"));
    EXPECT_EQ(tight.next(), "!null");
    ASSERT_TRUE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "a");
    // A failed start closes the listing that was open.
    tight.setKeyName(kKey + "\\Missing");
    EXPECT_FALSE(tight.startEnumeration());
    EXPECT_EQ(tight.next(), "!null");
}

// All at once, a key's values come as a listing with a read of each name
// gives them, up to the same name too long to list.
TEST_F(RegistryReaderWriterTest, ListingValuesAtOnceGivesWhatNamesAndReadsWould) {
    Reg r(kKey);
    ASSERT_TRUE(r.writeString("1", "a"));
    ASSERT_TRUE(r.writeString(std::string(260, 'b'), "long"));
    ASSERT_TRUE(r.writeString("null", "literal"));
    ASSERT_TRUE(r.writeNumber(0x00434241, "abc"));
    ASSERT_TRUE(r.writeString("x", std::string(1000, 'm')));
    ASSERT_TRUE(r.writeString("after", "z"));
    Names names;
    std::vector<std::string> texts;
    ASSERT_TRUE(r.startEnumeration());
    CerrCapture err;
    for (bool more = true;;) {
        const std::string name = r.nextValueName(more);
        if (!more) break;
        names.push_back(name);
        texts.push_back(r.read(name));
    }
    const std::string oneByOne = err.take();
    Names listedNames;
    std::vector<std::string> listedTexts;
    EXPECT_TRUE(r.listValues([&](const std::string& name, const std::string& text, bool read) {
        listedNames.push_back(name);
        listedTexts.push_back(read ? text : "!" + text);
    }));
    EXPECT_EQ(err.take(), oneByOne);
    EXPECT_EQ(listedNames.size(), 4u);
    EXPECT_EQ(listedNames, names);
    EXPECT_EQ(listedTexts, texts);
    int given = 0;
    EXPECT_FALSE(Reg(kKey + "\\Missing").listValues([&](const std::string&, const std::string&, bool) { ++given; }));
    EXPECT_EQ(given, 0);
    EXPECT_EQ(err.take(), "");
}

// A reader that goes over the same values again and again names each
// failure once, however many of its objects read them.
TEST_F(RegistryReaderWriterTest, FailuresNamedOnceStayNamed) {
    ASSERT_TRUE(Reg(kKey).writeString(std::string(300, 'l'), "long"));
    NamedFailures named;
    CerrCapture err;
    for (int pass = 0; pass < 3; ++pass) {
        Reg r(kKey);
        r.nameFailuresOnce(named);
        EXPECT_EQ(r.read("missing"), "!null");
        EXPECT_FALSE(r.valueExists("long"));
        int given = 0;
        EXPECT_TRUE(r.listValues([&](const std::string&, const std::string&, bool) { ++given; }));
        EXPECT_EQ(given, 1);
        Reg other(kKey + "\\Other");
        other.nameFailuresOnce(named);
        EXPECT_EQ(other.read("missing"), "!null");
    }
    EXPECT_EQ(err.take(), "Error in readStringError in readStringBuffer is too smallError in readString");
    EXPECT_EQ(Reg(kKey).read("missing"), "!null");  // an object of its own says it again
    EXPECT_EQ(err.take(), "Error in readString");
}

// The stamp that tells a reader whether to read a key again.
TEST_F(RegistryReaderWriterTest, TheChangeStampMovesOnWithEveryChangeAndOnlyThen) {
    ASSERT_TRUE(Reg(kKey).writeString("x", "v"));
    Reg watch(kKey);
    const auto first = watch.changeStamp();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(watch.changeStamp(), first);
    EXPECT_EQ(Reg(kKey).read("v"), "x");
    EXPECT_EQ(watch.changeStamp(), first);  // a read is no change
    std::optional<std::uint64_t> last = first;
    const std::function<bool()> changes[] = {
        [] { return Reg(kKey).writeString("y", "v"); },      // another object's
        [] { return Reg(kKey).writeString("new", "w"); },    // a new value
        [&watch] { return watch.writeString("own", "v"); },  // its own
        [] { return Reg(kKey).deleteValue("w"); },
    };
    for (const auto& change : changes) {
        ASSERT_TRUE(change());
        const auto now = watch.changeStamp();
        EXPECT_NE(now, last);
        EXPECT_EQ(watch.changeStamp(), now);
        last = now;
    }
}

TEST_F(RegistryReaderWriterTest, CompareAndWriteWritesOnlyOverTheExpectedText) {
    using Outcome = RegistryReaderWriter::CompareAndWrite;
    Reg r(kKey);
    EXPECT_EQ(r.compareAndWriteString("", "x", "v"), Outcome::Differed);  // no key yet
    ASSERT_TRUE(r.writeString("old", "v"));
    EXPECT_EQ(r.compareAndWriteString("", "x", "missing"), Outcome::Differed);
    EXPECT_EQ(r.compareAndWriteString("older", "x", "v"), Outcome::Differed);
    EXPECT_EQ(r.read("v"), "old");
    EXPECT_EQ(r.compareAndWriteString("old", "new", "v"), Outcome::Written);
    EXPECT_EQ(r.read("v"), "new");
    // Data too long to read reads as nothing, so it never matches.
    const std::string tooLong(260, 'x');
    ASSERT_TRUE(r.writeString(tooLong, "long"));
    EXPECT_EQ(r.compareAndWriteString(tooLong, "y", "long"), Outcome::Differed);
    EXPECT_EQ(r.compareAndWriteString(tooLong.substr(0, 259), "y", "long"), Outcome::Differed);
    EXPECT_EQ(Reg().compareAndWriteString("", "x", "v"), Outcome::Failed);
}

TEST_F(RegistryReaderWriterTest, TwoThreadsAddingUnderFreeNumbersNeverShareOne) {
    constexpr int kEach = 60;
    std::vector<std::string> names[2];
    auto add = [&](int who) {
        Reg r(kKey);
        for (int i = 0; i < kEach; ++i) names[who].push_back(r.writeStringUnderFreeNumber(std::to_string(who)));
    };
    std::thread other(add, 1);
    add(0);
    other.join();
    std::set<int> numbers;
    Reg r(kKey);
    for (int who = 0; who < 2; ++who)
        for (const std::string& name : names[who]) {
            ASSERT_FALSE(name.empty());
            numbers.insert(std::stoi(name));
            EXPECT_EQ(r.read(name), std::to_string(who)) << name;
        }
    EXPECT_EQ(numbers.size(), 2u * kEach);
    EXPECT_EQ(*numbers.rbegin(), 2 * kEach - 1);
}

TEST_F(RegistryReaderWriterTest, AWriteThatIsNotStoredSaysSo) {
    store_.makeUnwritable();
    Reg r(kProductKey);
    CerrCapture err;
    EXPECT_FALSE(r.writeString("x", "v"));
    EXPECT_FALSE(r.writeNumber(1, "n"));
    EXPECT_FALSE(r.deleteValue("v"));
    EXPECT_EQ(r.read("v"), "!null");
    EXPECT_FALSE(r.startEnumeration());
    EXPECT_EQ(r.writeStringUnderFreeNumber("x"), "");
    EXPECT_EQ(err.take(), "Error in readString");
}

}  // namespace
