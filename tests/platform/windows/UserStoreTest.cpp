// The store of a user who may not change HKEY_LOCAL_MACHINE: Wine lets every
// process, so these tests use a back end that is refused as such a user's is.
#include "platform/RegistryTestSupport.h"

#include "platform/Registry.h"
#include "platform/windows/RegistryBackend.h"
#include "platform/windows/Text.h"
#include "support/StoredValues.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using testsupport::storedText;
using testsupport::storedValues;
using testsupport::Values;

namespace {

constexpr char kVirtualProductKey[] =
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\Tarnwick Technologies\\Orbenfold\\KestrunePlugin";

// Sets a string value straight in the registry, as an installer or an
// earlier build would have left it.
void plant(HKEY hive, const std::string& key, const std::string& name, const std::string& text) {
    HKEY open = nullptr;
    ASSERT_EQ(RegCreateKeyExW(hive, platform::windows::wide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &open, nullptr),
              ERROR_SUCCESS);
    const std::wstring data = platform::windows::wide(text);
    RegSetValueExW(open, platform::windows::wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1) * static_cast<DWORD>(sizeof(wchar_t)));
    RegCloseKey(open);
}

// The value as the hive itself holds it, or "(none)".
std::string held(HKEY hive, const std::string& key, const std::string& name) {
    wchar_t data[260] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(hive, platform::windows::wide(key).c_str(), platform::windows::wide(name).c_str(), RRF_RT_REG_SZ,
                     nullptr, data, &size) != ERROR_SUCCESS)
        return "(none)";
    return platform::windows::utf8(data);
}

// The store's calls as a standard user's copy of the program makes them.
struct StandardUser {
    std::unique_ptr<RegistryBackend> backend = makeRegistryBackend(MachineHive::ReadOnly);

    bool write(const std::string& key, const std::string& name, const std::string& text) {
        return backend->writeValue(HKEY_LOCAL_MACHINE, key, name, REG_SZ, text.c_str(), text.size() + 1);
    }
    std::string read(const std::string& key, const std::string& name) {
        char data[260] = {};
        std::uint32_t size = 0;
        if (backend->readValue(HKEY_LOCAL_MACHINE, key, name, data, sizeof data - 1, size) != RegistryBackend::Read::Ok)
            return "(none)";
        return data;
    }
};

class UserStoreTest : public registrytest::StoreTest {
protected:
    // What an administrator left in the machine key: values, timed entries
    // and a memory-load trigger.
    void SetUp() override {
        plant(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub", "machine scrub");
        plant(HKEY_LOCAL_MACHINE, kProductKey, "lastRecovery", "machine recovery");
        plant(HKEY_LOCAL_MACHINE, kScheduleKey, "0", "entry 0");
        plant(HKEY_LOCAL_MACHINE, kScheduleKey, "1", "entry 1");
        plant(HKEY_LOCAL_MACHINE, kLoadTriggerKey, "0", "trigger 0");
    }
};

TEST_F(UserStoreTest, ARefusedWriteGoesToTheUsersCopyWhichKeepsAllTheMachineKeyHeld) {
    StandardUser user;
    ASSERT_TRUE(user.write(kProductKey, "lastScrub", "user scrub"));

    EXPECT_EQ(held(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub"), "machine scrub");
    EXPECT_EQ(held(HKEY_CURRENT_USER, kProductKey, "lastScrub"), "user scrub");
    EXPECT_EQ(user.read(kProductKey, "lastScrub"), "user scrub");
    EXPECT_EQ(user.read(kProductKey, "lastRecovery"), "machine recovery");
    // The program's own store, a copy of its own, sees the same.
    EXPECT_EQ(storedText(kProductKey, "lastScrub"), "user scrub");
    EXPECT_EQ(storedValues(kScheduleKey), (Values{{"0", "entry 0"}, {"1", "entry 1"}}));
    EXPECT_EQ(storedValues(kLoadTriggerKey), (Values{{"0", "trigger 0"}}));

    // From now on the machine key is not looked at, whatever it comes to hold.
    plant(HKEY_LOCAL_MACHINE, kProductKey, "lastRecovery", "changed by an administrator");
    EXPECT_EQ(StandardUser().read(kProductKey, "lastRecovery"), "machine recovery");
}

TEST_F(UserStoreTest, ReplaceFreeNumberAndDeleteChangeOnlyTheUsersCopy) {
    StandardUser user;
    // Each is refused on the machine key as a first change would be.
    EXPECT_EQ(user.backend->replaceValue(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub", "machine scrub", 260, REG_SZ,
                                         "replaced", 9),
              RegistryBackend::Change::Done);
    EXPECT_EQ(user.backend->replaceValue(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub", "machine scrub", 260, REG_SZ,
                                         "again", 6),
              RegistryBackend::Change::Declined);
    EXPECT_EQ(user.backend->writeValueUnderFreeNumber(HKEY_LOCAL_MACHINE, kScheduleKey, REG_SZ, "entry 2", 8),
              std::optional<std::string>("2"));
    EXPECT_TRUE(user.backend->deleteValue(HKEY_LOCAL_MACHINE, kScheduleKey, "0"));
    EXPECT_EQ(user.backend->writeValueUnderFreeNumber(HKEY_LOCAL_MACHINE, kScheduleKey, REG_SZ, "entry 0'", 9),
              std::optional<std::string>("0"));

    EXPECT_EQ(storedText(kProductKey, "lastScrub"), "replaced");
    EXPECT_EQ(storedValues(kScheduleKey), (Values{{"0", "entry 0'"}, {"1", "entry 1"}, {"2", "entry 2"}}));
    EXPECT_EQ(held(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub"), "machine scrub");
    EXPECT_EQ(held(HKEY_LOCAL_MACHINE, kScheduleKey, "0"), "entry 0");
    EXPECT_EQ(held(HKEY_LOCAL_MACHINE, kScheduleKey, "2"), "(none)");
}

TEST_F(UserStoreTest, TwoCopiesFallingBackAtOnceLoseNoEntry) {
    constexpr int kEach = 30;
    std::vector<std::string> names[2];
    auto add = [&](int who) {
        StandardUser user;
        for (int i = 0; i < kEach; ++i) {
            const std::string text = std::to_string(who);
            names[who].push_back(
                user.backend
                    ->writeValueUnderFreeNumber(HKEY_LOCAL_MACHINE, kScheduleKey, REG_SZ, text.c_str(), text.size() + 1)
                    .value_or(""));
        }
    };
    std::thread other(add, 1);
    add(0);
    other.join();
    std::set<int> numbers;
    for (int who = 0; who < 2; ++who)
        for (const std::string& name : names[who]) {
            ASSERT_FALSE(name.empty());
            numbers.insert(std::stoi(name));
            EXPECT_EQ(storedText(kScheduleKey, name), std::to_string(who)) << name;
        }
    EXPECT_EQ(numbers.size(), 2u * kEach);
    EXPECT_EQ(*numbers.begin(), 2);
    EXPECT_EQ(storedText(kScheduleKey, "0"), "entry 0");
    EXPECT_EQ(storedText(kScheduleKey, "1"), "entry 1");
}

TEST_F(UserStoreTest, AChangeThatDoesNotFallBackLeavesNoUsersCopy) {
    // A missing value to replace or delete is no change to make.
    StandardUser user;
    EXPECT_EQ(user.backend->replaceValue(HKEY_LOCAL_MACHINE, kProductKey + std::string("\\Nothing"), "v", "", 260,
                                         REG_SZ, "x", 2),
              RegistryBackend::Change::Declined);
    // The machine key written where it may be.
    ASSERT_TRUE(registrytest::Reg(kProductKey).writeString("machine", "lastScrub"));
    EXPECT_EQ(held(HKEY_LOCAL_MACHINE, kProductKey, "lastScrub"), "machine");
    HKEY copy = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, platform::windows::wide(kProductKey).c_str(), 0, KEY_READ, &copy),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(UserStoreTest, AnEarlierBuildsVirtualStoreIsTakenOverWholeAsTheFirstCopy) {
    plant(HKEY_CURRENT_USER, kVirtualProductKey, "lastScrub", "virtual scrub");
    plant(HKEY_CURRENT_USER, std::string(kVirtualProductKey) + "\\SCHENT", "0", "virtual entry 0");
    // Read before any change: the machine key, as the system shows it to a
    // manifested program.
    StandardUser user;
    EXPECT_EQ(user.read(kProductKey, "lastScrub"), "machine scrub");

    ASSERT_TRUE(user.write(kProductKey, "time", "1"));
    EXPECT_EQ(user.read(kProductKey, "lastScrub"), "virtual scrub");
    // Numbered entries of two stores cannot be merged by name: the machine's
    // are not mixed in.
    EXPECT_EQ(storedValues(kScheduleKey), (Values{{"0", "virtual entry 0"}}));
    EXPECT_EQ(user.read(kProductKey, "lastRecovery"), "(none)");
    // The virtual store stays for the earlier build.
    EXPECT_EQ(held(HKEY_CURRENT_USER, kVirtualProductKey, "lastScrub"), "virtual scrub");
    EXPECT_EQ(held(HKEY_CURRENT_USER, kVirtualProductKey, "time"), "(none)");
}

}  // namespace

TEST_F(UserStoreTest, TextIsHeldInUtf16AndReadBackAsTheUtf8Written) {
    StandardUser user;
    const std::string text = "Zo\u00eb \u0141ukasz";
    ASSERT_TRUE(user.write(kProductKey, "lastScrub", text));
    EXPECT_EQ(held(HKEY_CURRENT_USER, kProductKey, "lastScrub"), text);  // what any other program reads there
    EXPECT_EQ(user.read(kProductKey, "lastScrub"), text);
    plant(HKEY_CURRENT_USER, kProductKey, "lastRecovery", text);
    EXPECT_EQ(user.read(kProductKey, "lastRecovery"), text);
}
