// provider.cpp: ZUBProvider, CZubContainer and the library's detach hook.
#include "framework/provider.h"

#include "events/event_mon.h"
#include "framework/class_base.h"
#include "framework/middleware_state.h"
#include "middleware/abru2.h"
#include "platform/entry.h"

std::atomic<bool> g_bMiddlewareInitialized{false};

namespace {

class ZUBProvider : public virtual CZubProviderInterface {
 public:
  PROVIDER_STATUS Update() override { return PROVIDER_NOT_SUPPORTED; }

  PROVIDER_STATUS Initialize() override {
    if (m_bInitialized) return PROVIDER_SUCCESS;
    SSI_STATUS s = SsiInitialize();
    // A failure is not reported: the wrappers retry on their next load.
    if (s == SSI_STATUS_SUCCESS || s == SSI_STATUS_ALREADY_INITIALIZED) g_bMiddlewareInitialized = true;
    if (CEventMonInterface* monitor = PROVIDER_CreateEventMonInstance()) monitor->Initialize();
    m_bInitialized = true;
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS Cleanup() override {
    if (g_bMiddlewareInitialized.exchange(false)) SsiFinalize();
    return PROVIDER_SUCCESS;
  }
};

class CZubContainer : public virtual CZubContainerInterface {
 public:
  PROVIDER_STATUS Update() override { return PROVIDER_SUCCESS; }
  PROVIDER_STATUS Initialize() override { return SharedInitialize(*this); }

  PROVIDER_STATUS SetComputerNameStrings(const stComputerStringNames& names) override {
    CGlobalLock lock(GetGlobalLock());
    m_names.Namespace = names.Namespace;
    m_names.ComputerName = names.ComputerName;
    m_bInitialized = true;
    return PROVIDER_SUCCESS;
  }

  stComputerStringNames Names() const {
    CGlobalLock lock(GetGlobalLock());
    return m_names;
  }

 private:
  stComputerStringNames m_names;
};

}  // namespace

CZubProviderInterface* PROVIDER_CreateZubProviderInstance() { return Singleton<ZUBProvider>(); }

CZubContainerInterface* PROVIDER_CreateZubContainerInstance() { return Singleton<CZubContainer>(); }

bool ReadComputerStringNames(stComputerStringNames* out) {
  CZubContainer* container = Singleton<CZubContainer>();
  *out = container ? container->Names() : stComputerStringNames{};
  return container != nullptr;
}

stComputerStringNames GetComputerStringNames() {
  stComputerStringNames names;
  ReadComputerStringNames(&names);
  return names;
}

void zub::OnProcessDetach() {
  if (CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance()) provider->Cleanup();
}
