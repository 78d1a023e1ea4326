#pragma once

// A writer that churns one key while others list and read it.
#include "RegistryTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
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
// names. `pace`, if given, runs before each round.
inline void churn(const std::function<void(Ack)>& acked, bool deleteEarly,
                  const std::function<void(int round)>& pace = {}) {
    for (int r = 0; r < kRounds; ++r) {
        if (pace) pace(r);
        Reg w(kKey);
        if (w.writeString("d" + churned(r), churned(r))) acked({'w', r});
        if (r % 2 == 1 && w.deleteValue(churned(r - 1))) acked({'d', r - 1});
        if (deleteEarly && r % 10 == 0 && w.deleteValue(early(r / 10))) acked({'e', r / 10});
    }
}

// With `DeleteEarly`, the values listed before the stable ones are written
// for the writer to delete.
template <bool DeleteEarly>
class StressTest : public registrytest::StoreTest {
protected:
    void SetUp() override {
        Reg r(kKey);
        for (int i = 0; DeleteEarly && i < kEarly; ++i) ASSERT_TRUE(r.writeString("e", early(i)));
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
    static void expectAcknowledged(const std::vector<Ack>& acks) {
        EXPECT_EQ(acks.size(), static_cast<std::size_t>(kRounds + kRounds / 2 + (DeleteEarly ? kEarly : 0)));
        std::map<std::string, bool> present;
        for (const Ack& a : acks) present[a.op == 'e' ? early(a.round) : churned(a.round)] = a.op == 'w';
        Reg r(kKey);
        for (const auto& [name, there] : present) EXPECT_EQ(r.read(name), there ? "d" + name : "!null") << name;
    }

    // A writing thread and listings on this one until it is done. Every
    // hundredth round waits for the next listing to end, so at least twenty
    // listings meet the writer however fast the store is.
    static void listWhileAThreadWrites() {
        registrytest::CerrCapture err;  // reads of values deleted meanwhile report errors; only this thread reads
        std::vector<Ack> acks;
        std::atomic<bool> done{false}, listing{true};
        std::atomic<int> passes{0};
        std::thread writer([&] {
            churn([&](Ack a) { acks.push_back(a); }, DeleteEarly,
                  [&](int round) {
                      const int seen = passes;
                      for (int i = 0; round % 100 == 99 && passes == seen && listing && i < 1000; ++i)
                          std::this_thread::sleep_for(std::chrono::milliseconds(1));
                  });
            done = true;
        });
        for (; !done && !::testing::Test::HasFatalFailure(); ++passes) listOnce(passes);
        listing = false;
        writer.join();
        EXPECT_GT(passes, 20);
        expectAcknowledged(acks);
    }
};

}  // namespace registrystress
