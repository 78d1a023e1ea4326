// The registry store against bare SQLite on the same file: a read on a kept
// object within 1.5 times a prepared point query, and a schedule-thread pass
// (one listing of 100 entries, then 100 short-lived objects reading two
// values each) within 5 ms.
#include "platform/RegistryReaderWriter.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using platform::RegistryReaderWriter;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 100;

// A store laid out as the program keeps it, in a folder of its own.
struct Store {
    std::string dir;
    std::string file;

    Store() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        file = dir + "/registry.sqlite3";
        setenv("KESTRUNE_REGISTRY", file.c_str(), 1);
        RegistryReaderWriter product;
        product.setKeyName(platform::kProductKey);
        bool ok = product.writeString("2024-05-01 10:00:00", "lastScrub") &&
                  product.writeString("2024-05-01 10:05:00", "lastRecovery");
        for (int i = 0; i < 40; ++i) ok = ok && product.writeNumber(i, "setting" + std::to_string(i));
        RegistryReaderWriter schedule;
        schedule.setKeyName(platform::kScheduleKey);
        for (int i = 0; i < kEntries; ++i)
            ok = ok && schedule.writeString("daily 03:" + std::to_string(10 + i % 50) + " scrub+recover",
                                            "entry" + std::to_string(i));
        if (!ok) std::abort();
    }
    ~Store() { std::filesystem::remove_all(dir); }
};

Store& store() {
    static Store s;
    return s;
}

// The baseline: one prepared point query with the key's id already known.
struct BareQuery {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;

    BareQuery() {
        if (sqlite3_open_v2(store().file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
        sqlite3_stmt* find = nullptr;
        sqlite3_prepare_v2(db, "SELECT id FROM registry_keys WHERE hive = ?1 AND path = ?2", -1, &find, nullptr);
        sqlite3_bind_int64(find, 1, platform::HKEY_LOCAL_MACHINE);
        sqlite3_bind_text(find, 2, platform::kProductKey, -1, SQLITE_STATIC);
        if (sqlite3_step(find) != SQLITE_ROW) std::abort();
        const sqlite3_int64 key = sqlite3_column_int64(find, 0);
        sqlite3_finalize(find);
        sqlite3_prepare_v3(db, "SELECT data FROM registry_values WHERE key = ?1 AND name = ?2", -1,
                           SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        sqlite3_bind_int64(stmt, 1, key);
    }
    ~BareQuery() {
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    int read(const std::string& name) {
        sqlite3_bind_text(stmt, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        int bytes = -1;
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_blob(stmt, 0));
            bytes = sqlite3_column_bytes(stmt, 0);
        }
        sqlite3_reset(stmt);
        return bytes;
    }
};

double nanosSince(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// Both in turn, batch by batch, so a busy machine slows both alike.
void BM_ReadStringVsBareQuery(benchmark::State& state) {
    constexpr int kBatch = 200;
    const std::string name = "lastScrub";
    BareQuery bare;
    RegistryReaderWriter reader;
    reader.setKeyName(platform::kProductKey);
    double bareNs = 0, readNs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(bare.read(name));
        bareNs += nanosSince(start);
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) {
            bool ok = false;
            benchmark::DoNotOptimize(reader.readString(name, ok));
            if (!ok) state.SkipWithError("readString failed");
        }
        readNs += nanosSince(start);
    }
    const double reads = static_cast<double>(state.iterations()) * kBatch;
    state.counters["bare_ns"] = bareNs / reads;
    state.counters["readString_ns"] = readNs / reads;
    state.counters["ratio"] = readNs / bareNs;
}
BENCHMARK(BM_ReadStringVsBareQuery)->Unit(benchmark::kMicrosecond);

void schedulePass(benchmark::State& state) {
    bool ok = false;
    {
        RegistryReaderWriter listing;
        listing.setKeyName(platform::kScheduleKey);
        if (!listing.startEnumeration()) state.SkipWithError("startEnumeration failed");
        int names = 0;
        for (;;) {
            const std::string name = listing.nextValueName(ok);
            if (!ok) break;
            ++names;
            benchmark::DoNotOptimize(listing.readString(name, ok));
        }
        if (names != kEntries) state.SkipWithError("listing incomplete");
    }
    for (int i = 0; i < kEntries; ++i) {
        RegistryReaderWriter product;
        product.setKeyName(platform::kProductKey);
        benchmark::DoNotOptimize(product.readString("lastScrub", ok));
        benchmark::DoNotOptimize(product.readString("lastRecovery", ok));
        if (!ok) state.SkipWithError("readString failed");
    }
}

// The same reads as a pass, on one connection with the key ids known.
void barePass(BareQuery& bare) {
    for (int i = 0; i < kEntries; ++i) benchmark::DoNotOptimize(bare.read("setting" + std::to_string(i % 40)));
    for (int i = 0; i < kEntries; ++i) {
        benchmark::DoNotOptimize(bare.read("lastScrub"));
        benchmark::DoNotOptimize(bare.read("lastRecovery"));
    }
}

// arg 0: nothing else has the file open, so every object's connection is the
// only one; arg 1: another connection stays open meanwhile, as the user
// interface thread's would.
void BM_SchedulePass(benchmark::State& state) {
    std::unique_ptr<BareQuery> other;
    if (state.range(0) == 1) other = std::make_unique<BareQuery>();
    double passNs = 0, bareNs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        schedulePass(state);
        passNs += nanosSince(start);
        state.PauseTiming();
        {
            BareQuery bare;
            start = Clock::now();
            barePass(bare);
            bareNs += nanosSince(start);
        }
        state.ResumeTiming();
    }
    const double passes = static_cast<double>(state.iterations());
    state.counters["ms_per_pass"] = passNs / passes / 1e6;
    state.counters["of_5ms"] = passNs / passes / 5e6;
    state.counters["ratio"] = passNs / bareNs;
}
BENCHMARK(BM_SchedulePass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
