#pragma once

// A writer that churns one key while others list and read it.
#include "RegistryTestSupport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace registrystress {

using registrytest::Reg;

inline constexpr char kKey[] = "SOFTWARE\\Kestrune Test\\Stress";  // under testsupport::kTestKey
constexpr int kStable = 20;
constexpr int kRounds = 2000;
constexpr int kEarly = kRounds / 10;

inline std::string stable(int i) { return "s" + std::to_string(i); }
inline std::string churned(int round) { return "w" + std::to_string(round); }
inline std::string early(int i) { return "e" + std::to_string(i); }

struct Ack {
    char op;  // 'w' wrote churned(round), 'd' deleted it, 'e' deleted early(round)
    std::int32_t round;
};

// Adds a value each round and deletes the one before every other round, each
// with a fresh object as the schedule thread makes them; all of them list
// after the stable names, in the order of writing and by name alike. With
// `deleteEarly`, every tenth round also deletes a value listed before the
// stable ones, which moves them all up a place. It never touches the stable
// names.
inline void churn(const std::function<void(Ack)>& acked, bool deleteEarly) {
    for (int r = 0; r < kRounds; ++r) {
        Reg w(kKey);
        if (w.writeString("d" + churned(r), churned(r))) acked({'w', r});
        if (r % 2 == 1 && w.deleteValue(churned(r - 1))) acked({'d', r - 1});
        if (deleteEarly && r % 10 == 0 && w.deleteValue(early(r / 10))) acked({'e', r / 10});
    }
}

class StressTest : public registrytest::StoreTest {
protected:
    void SetUp() override {
        Reg r(kKey);
        for (int i = 0; i < kEarly; ++i) ASSERT_TRUE(r.writeString("e", early(i)));
        for (int i = 0; i < kStable; ++i) ASSERT_TRUE(r.writeString("d" + stable(i), stable(i)));
    }

    // One listing while the other side writes: each stable name comes exactly
    // once and reads right on the listing object meanwhile. It then writes
    // too, so two writers meet.
    static void listOnce(int pass) {
        Reg r(kKey);
        EXPECT_TRUE(r.writeNumber(pass, "passes"));
        ASSERT_TRUE(r.startEnumeration());
        std::map<std::string, int> seen;
        for (std::string name = r.next(); name != "!null"; name = r.next()) {
            ++seen[name];
            const std::string data = r.read(name);
            if (name[0] == 's') {
                EXPECT_EQ(data, "d" + name);
            }
        }
        for (int i = 0; i < kStable; ++i) ASSERT_EQ(seen[stable(i)], 1) << stable(i);
    }

    // Every change was acknowledged and is in the store.
    static void expectAcknowledged(const std::vector<Ack>& acks, bool deletedEarly) {
        EXPECT_EQ(acks.size(), static_cast<std::size_t>(kRounds + kRounds / 2 + (deletedEarly ? kEarly : 0)));
        std::map<std::string, bool> present;
        for (const Ack& a : acks) present[a.op == 'e' ? early(a.round) : churned(a.round)] = a.op == 'w';
        Reg r(kKey);
        for (const auto& [name, there] : present) EXPECT_EQ(r.read(name), there ? "d" + name : "!null") << name;
    }
};

}  // namespace registrystress
