// What only a process's first call of a class shows, seen on a private copy
// of the built library (fresh singletons) whatever ran before in this
// process. The copy's objects stay behind when it is unloaded, as the
// provider's objects do by design (tests/lsan.supp names this file).
#include <gtest/gtest.h>

#include "classes/system/computer_system.h"
#include "tests/support/class_fixture.h"
#include "tests/support/library_copy.h"

namespace {

using FirstCallTest = zubtest::ClassFixture;

// Only the first Initialize reads the middleware; "nothing to report" still
// counts as initialised.
TEST_F(FirstCallTest, FirstInitializeWithNoControllerStillInitialises) {
  Load(R"({"middleware_version": "1.0", "controllers": []})");
  zubtest::LibraryCopy library(ZUBPROV_PATH);
  auto* create = library.Find<CZubComputerSystemInterface*()>("PROVIDER_CreateZubComputerSystemInstance");
  ASSERT_NE(create, nullptr);
  CZubComputerSystemInterface* cs = create();
  EXPECT_FALSE(cs->IsInitialized());
  EXPECT_EQ(cs->Initialize(), PROVIDER_NOT_FOUND);
  EXPECT_TRUE(cs->IsInitialized());
  const uint64_t reads = Calls("SsiGetControllerHandles");
  EXPECT_EQ(cs->Initialize(), PROVIDER_SUCCESS);  // initialised: no second read
  EXPECT_EQ(Calls("SsiGetControllerHandles"), reads);
  ExpectSessionsBalanced();
}

}  // namespace
