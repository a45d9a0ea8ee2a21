// container.cpp: CZubContainer and the reading of its names.
#include "framework/container.h"

#include "framework/class_base.h"

namespace {

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
