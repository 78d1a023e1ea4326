#include "RegistryStress.h"

using namespace registrystress;

namespace {

using RegistryStoreStressTest = StressTest<false>;

TEST_F(RegistryStoreStressTest, ThreadsWithObjectsOfTheirOwnShareTheStore) { listWhileAThreadWrites(); }

}  // namespace
