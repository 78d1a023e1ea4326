#include "RegistryStress.h"

#include <atomic>
#include <thread>

using namespace registrystress;

namespace {

using RegistryStoreStressTest = StressTest;

TEST_F(RegistryStoreStressTest, ThreadsWithObjectsOfTheirOwnShareTheStore) {
    registrytest::CerrCapture err;  // reads of values deleted meanwhile report errors; only this thread reads
    std::vector<Ack> acks;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        churn([&](Ack a) { acks.push_back(a); }, false);
        done = true;
    });
    int passes = 0;
    for (; !done && !HasFatalFailure(); ++passes) listOnce(passes);
    writer.join();
    EXPECT_GT(passes, 20);
    expectAcknowledged(acks, false);
}

}  // namespace
