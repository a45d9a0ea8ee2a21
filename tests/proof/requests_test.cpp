// The host's request path: reads of one class that waited while its Update
// ran share the next Update, and none takes a list whose Update began before
// it arrived; a read's records are visited with the lock given back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "host/kit/requests.h"
#include "tests/support/class_fixture.h"

namespace {

constexpr const char* kTwoControllers = R"({"middleware_version": "1.0", "controllers": [
  {"handle": 1, "name": "One", "disks": [{"handle": 11}]}, {"handle": 2, "name": "Two"}]})";

std::promise<void> g_inside;
std::shared_future<void> g_release;
std::atomic<bool> g_holding{false};

// Holds the first Update that lists the controllers until released.
void HoldFirst(void*) {
  if (g_holding.exchange(false)) {
    g_inside.set_value();
    g_release.wait();
  }
}

class RequestsTest : public zubtest::ClassFixture {};

TEST_F(RequestsTest, ReadsThatWaitedShareTheNextUpdateNeverAnOlderOne) {
  Load(kTwoControllers);
  const ClassDesc* systems = nullptr;
  for (const ClassDesc& cls : ClassCatalog())
    if (std::string(cls.name) == "ZUB_ComputerSystem") systems = &cls;
  ASSERT_NE(systems, nullptr);
  zubcim::Requests& requests = zubcim::Requests::Process();
  auto read = [&] {
    size_t n = 0;
    const PROVIDER_STATUS s = requests.Read(*systems, [&](const void*) { ++n; });
    return s == PROVIDER_SUCCESS ? n : 0;
  };
  read();  // the first request initialises the class
  const uint64_t before = Calls("SsiGetControllerHandles");

  std::promise<void> release;
  g_inside = std::promise<void>();
  g_release = release.get_future().share();
  g_holding = true;
  abru2sim::SetCallHook("SsiGetControllerHandles", &HoldFirst, nullptr);
  auto first = std::async(std::launch::async, read);
  g_inside.get_future().wait();
  // Three more arrive while the first one's Update runs.
  std::vector<std::future<size_t>> waiting;
  for (int i = 0; i < 3; ++i) waiting.push_back(std::async(std::launch::async, read));
  while (requests.Waiting() < 3) std::this_thread::yield();
  release.set_value();
  EXPECT_EQ(first.get(), 2u);
  for (auto& w : waiting) EXPECT_EQ(w.get(), 2u);
  abru2sim::SetCallHook("SsiGetControllerHandles", nullptr, nullptr);
  // The first request's Update and one more that began after the three
  // arrived (a listing is a count and a fill).
  EXPECT_EQ(Calls("SsiGetControllerHandles") - before, 4u);
}

// A host turns the records into instances after the lock: another request
// is served meanwhile (with the lock held, the read inside would wait for
// the visit that waits for it).
TEST_F(RequestsTest, RecordsAreVisitedWithTheLockGivenBack) {
  Load(kTwoControllers);
  const ClassDesc* systems = FindClass("ZUB_ComputerSystem");
  const ClassDesc* cards = FindClass("ZUB_Card");
  ASSERT_TRUE(systems && cards);
  zubcim::Requests& requests = zubcim::Requests::Process();
  size_t visited = 0, cardsRead = 0;
  bool servedMeanwhile = false;
  std::future<PROVIDER_STATUS> other;  // ends after the read when the lock was kept
  EXPECT_EQ(requests.Read(*systems, [&](const void*) {
    if (visited++) return;
    other = std::async(std::launch::async, [&] { return requests.Read(*cards, [&](const void*) { ++cardsRead; }); });
    servedMeanwhile = other.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  }), PROVIDER_SUCCESS);
  EXPECT_EQ(other.get(), PROVIDER_SUCCESS);
  EXPECT_TRUE(servedMeanwhile);
  EXPECT_EQ(visited, 2u);
  EXPECT_EQ(cardsRead, 2u);
}

}  // namespace
