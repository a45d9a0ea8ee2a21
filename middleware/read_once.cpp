// read_once.cpp: the store of read_once.h.
//
// One map of answers under one mutex. The middleware is never called with
// the mutex held: a poll or a read may block for as long as the middleware
// likes, and readers on other threads go on meanwhile.
#include "middleware/read_once.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>

#include "framework/class_base.h"
#include "middleware/middleware_state.h"

namespace zubmw {
namespace {

using Clock = std::chrono::steady_clock;

uint32_t FromEnvironment(const char* name, uint32_t otherwise) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return otherwise;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  return *end == '\0' ? static_cast<uint32_t>(value) : otherwise;
}

std::atomic<bool>& SwitchOn() {
  static std::atomic<bool> on{FromEnvironment("ZUB_READ_ONCE", 1) != 0};
  return on;
}

std::atomic<uint32_t>& MaxAgeMs() {
  static std::atomic<uint32_t> ms{FromEnvironment("ZUB_READ_ONCE_MAX_AGE_MS", 2000)};
  return ms;
}

// Rough cost of one map node besides its key and answer (tree links, colour,
// the string's own header): what ReadOnceInUse counts for the container.
constexpr size_t kNodeOverhead = 4 * sizeof(void*) + sizeof(std::string);

struct Store {
  std::mutex mutex;
  std::map<ReadKey, std::string> answers;
  size_t answerBytes = 0;
  uint64_t generation = 1;
  Clock::time_point oldest{};  // when the first answer since the last forget was kept
  SSI_HANDLE event = 0;        // 0: not armed, nothing is kept
  int freshScopes = 0;

  void ForgetLocked() {
    answers.clear();
    answerBytes = 0;
    ++generation;
  }
};

// Trivially destructible, so it still reads true after the store is gone.
std::atomic<bool> g_storeGone{false};

struct StaticStore : Store {
  ~StaticStore() { g_storeGone = true; }
};

// A static object rather than a leaked one, so that a copy of the library
// that is unloaded releases its store with it. Null once it is destroyed (a
// reader at exit then goes to the middleware).
Store* TheStore() {
  static StaticStore store;
  return g_storeGone ? nullptr : &store;
}

// The store under its mutex, or none once it is destroyed.
class LockedStore {
 public:
  LockedStore() : m_store(TheStore()) {
    if (m_store) m_lock = std::unique_lock<std::mutex>(m_store->mutex);
  }
  explicit operator bool() const { return m_store != nullptr; }
  Store* operator->() const { return m_store; }

 private:
  Store* m_store;
  std::unique_lock<std::mutex> m_lock;
};

}  // namespace

bool ReadKey::operator<(const ReadKey& o) const { return std::tie(call, a, b, c) < std::tie(o.call, o.a, o.b, o.c); }

bool ReadOnceOn() { return SwitchOn().load(); }

void SetReadOnce(bool on) {
  SwitchOn() = on;
  Forget();
}

uint32_t ReadOnceMaxAgeMs() { return MaxAgeMs().load(); }
void SetReadOnceMaxAgeMs(uint32_t ms) { MaxAgeMs() = ms; }

void Forget() {
  if (LockedStore store; store) store->ForgetLocked();
}

namespace {

// Gets the store its event handle; false when the middleware gives none
// (nothing is then kept until a later check arms it).
bool Arm() {
  SSI_HANDLE fresh = 0;
  if (SsiGetEventHandle(&fresh) != SSI_STATUS_SUCCESS || fresh == 0) return false;
  {
    LockedStore store;
    if (store && store->event == 0) {
      // Answers are kept only from here on: everything read before the
      // handle existed belongs to an older generation.
      store->event = fresh;
      store->ForgetLocked();
      return true;
    }
  }
  SsiFreeEventHandle(fresh);  // another thread armed first (or the store is gone)
  return true;
}

}  // namespace

void CheckForChanges() {
  if (!ReadOnceOn() || !g_bMiddlewareInitialized) return;
  SSI_HANDLE event = 0;
  {
    LockedStore store;
    if (!store) return;
    const auto maxAge = std::chrono::milliseconds(ReadOnceMaxAgeMs());
    if (!store->answers.empty() && Clock::now() - store->oldest >= maxAge) store->ForgetLocked();
    event = store->event;
  }
  if (event == 0) {
    Arm();
    return;
  }
  // 0: a change since the last poll; the failure status: none. Anything else
  // (the handle is gone, as after a reset of the middleware) forgets and arms
  // again with a new handle.
  const SSI_STATUS s = SsiEventWait(0, event);
  if (s == SSI_STATUS_FAILED) return;
  {
    LockedStore store;
    if (!store) return;
    store->ForgetLocked();
    if (s == SSI_STATUS_SUCCESS || store->event != event) return;
    store->event = 0;
  }
  Arm();
}

void CheckOncePerRequest() {
  thread_local uint64_t checked = 0;
  const uint64_t serial = OutermostBuildSerial();
  if (serial != 0 && serial == checked) return;
  checked = serial;
  CheckForChanges();
}

void Disarm() {
  SSI_HANDLE event = 0;
  {
    LockedStore store;
    if (!store) return;
    store->ForgetLocked();
    event = std::exchange(store->event, 0);
  }
  // Once the middleware is finalised its handles are gone with it.
  if (event != 0 && g_bMiddlewareInitialized) SsiFreeEventHandle(event);
}

ReadOnceUse ReadOnceInUse() {
  LockedStore store;
  if (!store) return {};
  ReadOnceUse use;
  use.answers = store->answers.size();
  use.answerBytes = store->answerBytes;
  use.keptBytes = store->answerBytes + store->answers.size() * (sizeof(ReadKey) + kNodeOverhead);
  return use;
}

Reading::Reading() : m_usable(false), m_generation(0) {
  if (!ReadOnceOn()) return;
  LockedStore store;
  if (!store) return;
  m_usable = store->event != 0 && store->freshScopes == 0;
  m_generation = store->generation;
}

template <class Take>
bool Reading::RecallWith(const ReadKey& key, Take take) const {
  LockedStore store;
  if (!store || store->generation != m_generation) return false;
  const auto it = store->answers.find(key);
  return it != store->answers.end() && take(it->second);
}

bool Reading::Recall(const ReadKey& key, void* out, size_t size) const {
  return RecallWith(key, [&](const std::string& answer) {
    if (answer.size() != size) return false;
    std::memcpy(out, answer.data(), size);
    return true;
  });
}

bool Reading::Recall(const ReadKey& key, std::vector<SSI_HANDLE>* handles) const {
  return RecallWith(key, [&](const std::string& answer) {
    handles->resize(answer.size() / sizeof(SSI_HANDLE));
    if (!handles->empty()) std::memcpy(handles->data(), answer.data(), handles->size() * sizeof(SSI_HANDLE));
    return true;
  });
}

void Reading::Keep(const ReadKey& key, const void* data, size_t size) const {
  LockedStore store;
  if (!store || !m_usable || store->generation != m_generation || store->freshScopes != 0) return;
  if (store->answers.empty()) store->oldest = Clock::now();
  const auto it = store->answers.try_emplace(key).first;
  store->answerBytes -= it->second.size();
  it->second.assign(static_cast<const char*>(data), size);
  store->answerBytes += size;
}

FreshScope::FreshScope() {
  if (LockedStore store; store) {
    ++store->freshScopes;
    store->ForgetLocked();
  }
}

FreshScope::~FreshScope() {
  if (LockedStore store; store) {
    --store->freshScopes;
    store->ForgetLocked();
  }
}

}  // namespace zubmw
