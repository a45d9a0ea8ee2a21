// provider.cpp: ZUBProvider and the library's detach hook.
#include "provider/provider.h"

#include "events/event_mon.h"
#include "framework/class_base.h"
#include "middleware/wrappers.h"
#include "platform/entry.h"

namespace {

class ZUBProvider : public virtual CZubProviderInterface {
 public:
  PROVIDER_STATUS Update() override { return PROVIDER_NOT_SUPPORTED; }

  PROVIDER_STATUS Initialize() override {
    if (m_bInitialized) return PROVIDER_SUCCESS;
    // A failure is not reported: the wrappers retry on their next load.
    StartMiddleware();
    if (CEventMonInterface* monitor = PROVIDER_CreateEventMonInstance()) monitor->Initialize();
    m_bInitialized = true;
    return PROVIDER_SUCCESS;
  }

  PROVIDER_STATUS Cleanup() override {
    StopMiddleware();
    return PROVIDER_SUCCESS;
  }
};

}  // namespace

CZubProviderInterface* PROVIDER_CreateZubProviderInstance() { return Singleton<ZUBProvider>(); }

void zub::OnProcessDetach() {
  if (CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance()) provider->Cleanup();
}
