// The library under load, at a size CI affords: eight host threads list
// every class and call the methods that change nothing while random changes
// reach the simulated RAID stack one by one and the monitor delivers their
// alerts. No exception leaves the library, no session stays open, nothing
// deadlocks; every alert the changes must raise arrives once, in order per
// element class. Run under ThreadSanitizer in CI, which also finds the data
// races; zub_stress is the same at full size.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/sim_fixture.h"
#include "tools/proof/stress_run.h"

namespace {

class StressTest : public zubtest::SimFixture {};

TEST_F(StressTest, EightHostsListingWhileTheStackChangesGetEveryAlertOnceInOrder) {
  zubproof::StressOptions options;
  options.listers = 8;
  options.changes = 24;
  options.seed = 7;
  // Every middleware call takes a little longer, so the monitor's rebuilds
  // overlap the changes and the hosts' rebuilds, as on a loaded machine.
  options.latencyUs = 50;
  const zubproof::StressReport r = zubproof::RunStress(options);
  std::printf("stress: %llu listings, %llu method calls, %llu changes, %llu alerts delivered of %llu expected\n",
              static_cast<unsigned long long>(r.listings), static_cast<unsigned long long>(r.methodCalls),
              static_cast<unsigned long long>(r.changes), static_cast<unsigned long long>(r.alertsDelivered),
              static_cast<unsigned long long>(r.alertsExpected));
  EXPECT_EQ(r.changes, 24u);
  EXPECT_GT(r.alertsExpected, 0u);
  EXPECT_EQ(r.exceptions, 0u);
  EXPECT_EQ(r.sessionsLeftOpen, 0u);
  for (const std::string& m : r.mismatches) ADD_FAILURE() << "alert mismatch: " << m;
}

}  // namespace
