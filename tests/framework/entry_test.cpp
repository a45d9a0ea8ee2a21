// The library's entry point and the provider's first Initialize, each seen on
// a private copy of the built library (fresh singletons).
#include <gtest/gtest.h>

#include "zubprov/interfaces.h"
#include "sim/abru2_control.h"
#include "tests/support/library_copy.h"

namespace {

using zubtest::LibraryCopy;

// A private copy's provider started as a host starts it (its monitor stopped
// again: a library must not be unloaded under its own thread).
struct StartedCopy {
  LibraryCopy library{ZUBPROV_PATH};
  CZubProviderInterface* provider = nullptr;
  StartedCopy() {
    auto* createProvider = library.Find<CZubProviderInterface*()>("PROVIDER_CreateZubProviderInstance");
    auto* createMonitor = library.Find<CEventMonInterface*()>("PROVIDER_CreateEventMonInstance");
    EXPECT_TRUE(createProvider && createMonitor);  // factories are found by their plain names
    if (!createProvider || !createMonitor) return;
    provider = createProvider();
    EXPECT_EQ(provider->Initialize(), PROVIDER_SUCCESS);
    createMonitor()->Terminate();
  }
};

uint64_t Finalised() { return abru2sim::GetCounters().calls["SsiFinalize"]; }

// Unloading the provider library finalises the middleware it initialised
// (process detach on Windows, the unload hook elsewhere). A middleware that
// another user already initialised answers 11; the provider takes it as
// initialised all the same, so its Cleanup finalises it.
TEST(EntryPoint, TheProviderFinalisesTheMiddlewareItStartedOrFoundStarted) {
  abru2sim::ResetToDefault();
  SsiFinalize();  // start from an uninitialised middleware
  const uint64_t before = Finalised();
  {
    StartedCopy copy;
    EXPECT_TRUE(abru2sim::IsInitialized());
    EXPECT_EQ(Finalised(), before);
    copy.library.Close();
    EXPECT_EQ(Finalised(), before + 1);
    EXPECT_FALSE(abru2sim::IsInitialized());
  }
  ASSERT_EQ(SsiInitialize(), 0u);  // from here on the provider's call answers 11
  StartedCopy copy;
  ASSERT_NE(copy.provider, nullptr);
  EXPECT_EQ(copy.provider->Cleanup(), PROVIDER_SUCCESS);
  EXPECT_EQ(Finalised(), before + 2);
  EXPECT_FALSE(abru2sim::IsInitialized());
  SsiInitialize();  // leave the middleware as other tests expect it
}

}  // namespace
