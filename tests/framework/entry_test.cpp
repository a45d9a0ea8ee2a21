// The library's entry point and the provider's first Initialize, each seen on
// a private copy of the built library (fresh singletons).
#include <gtest/gtest.h>

#include "zubprov/interfaces.h"
#include "sim/abru2_control.h"
#include "tests/support/library_copy.h"

namespace {

using zubtest::LibraryCopy;

// Unloading the provider library finalises the middleware it initialised
// (process detach on Windows, the unload hook elsewhere).
TEST(EntryPoint, UnloadingTheLibraryFinalisesTheMiddleware) {
  abru2sim::ResetToDefault();
  SsiFinalize();  // start from an uninitialised middleware
  const uint64_t finalisedBefore = abru2sim::GetCounters().calls["SsiFinalize"];

  LibraryCopy library(ZUBPROV_PATH);
  auto* createProvider = library.Find<CZubProviderInterface*()>("PROVIDER_CreateZubProviderInstance");
  auto* createMonitor = library.Find<CEventMonInterface*()>("PROVIDER_CreateEventMonInstance");
  ASSERT_NE(createProvider, nullptr);  // factories are found by their plain names
  ASSERT_NE(createMonitor, nullptr);

  EXPECT_EQ(createProvider()->Initialize(), PROVIDER_SUCCESS);
  EXPECT_TRUE(abru2sim::IsInitialized());
  createMonitor()->Terminate();  // a library must not be unloaded under its own thread
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], finalisedBefore);

  library.Close();
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], finalisedBefore + 1);
  EXPECT_FALSE(abru2sim::IsInitialized());
}

// A middleware that another user already initialised answers 11; the provider
// takes it as initialised all the same, so its Cleanup finalises it.
TEST(EntryPoint, AlreadyInitialisedMiddlewareCountsAsInitialised) {
  abru2sim::ResetToDefault();
  ASSERT_NE(SsiInitialize(), 12u);  // 0 or 11: from here on the provider's call answers 11
  const uint64_t finalisedBefore = abru2sim::GetCounters().calls["SsiFinalize"];

  LibraryCopy library(ZUBPROV_PATH);
  auto* createProvider = library.Find<CZubProviderInterface*()>("PROVIDER_CreateZubProviderInstance");
  auto* createMonitor = library.Find<CEventMonInterface*()>("PROVIDER_CreateEventMonInstance");
  ASSERT_NE(createProvider, nullptr);
  ASSERT_NE(createMonitor, nullptr);
  EXPECT_EQ(createProvider()->Initialize(), PROVIDER_SUCCESS);
  createMonitor()->Terminate();
  EXPECT_EQ(createProvider()->Cleanup(), PROVIDER_SUCCESS);
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], finalisedBefore + 1);
  EXPECT_FALSE(abru2sim::IsInitialized());
  SsiInitialize();  // leave the middleware as other tests expect it
}

}  // namespace
