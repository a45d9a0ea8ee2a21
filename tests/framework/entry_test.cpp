// The library's entry point: unloading the provider library finalises the
// middleware it initialised (process detach on Windows, the unload hook
// elsewhere). The test loads a private copy of the built library, so its
// singletons are its own, while the middleware it calls is the one shared
// simulation of this process.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "framework/interfaces.h"
#include "platform/process/process.h"
#include "sim/abru2_control.h"

namespace {

namespace fs = std::filesystem;

TEST(EntryPoint, UnloadingTheLibraryFinalisesTheMiddleware) {
  abru2sim::ResetToDefault();
  SsiFinalize();  // start from an uninitialised middleware
  const uint64_t finalisedBefore = abru2sim::GetCounters().calls["SsiFinalize"];

  std::random_device random;
  const fs::path dir = fs::temp_directory_path() / ("zubprov_entry_" + std::to_string(random()));
  fs::create_directories(dir);
  const fs::path copy = dir / (std::string("entrycopy") + fs::path(ZUBPROV_PATH).extension().string());
  fs::copy_file(ZUBPROV_PATH, copy);

  platform::LibraryHandle library = platform::OpenLibrary(copy.string());
  ASSERT_NE(library, nullptr) << copy;
  auto createProvider =
      reinterpret_cast<CZubProviderInterface* (*)()>(platform::FindSymbol(library, "PROVIDER_CreateZubProviderInstance"));
  auto createMonitor =
      reinterpret_cast<CEventMonInterface* (*)()>(platform::FindSymbol(library, "PROVIDER_CreateEventMonInstance"));
  ASSERT_NE(createProvider, nullptr);  // factories are found by their plain names
  ASSERT_NE(createMonitor, nullptr);

  EXPECT_EQ(createProvider()->Initialize(), PROVIDER_SUCCESS);
  EXPECT_TRUE(abru2sim::IsInitialized());
  createMonitor()->Terminate();  // a library must not be unloaded under its own thread
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], finalisedBefore);

  platform::CloseLibrary(library);
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], finalisedBefore + 1);
  EXPECT_FALSE(abru2sim::IsInitialized());

  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

}  // namespace
