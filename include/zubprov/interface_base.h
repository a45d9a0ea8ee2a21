// interface_base.h: the root of every interface a host sees.
//
// A host drives each CIM class through the same slots, in this order:
//   0 destructor, 1 Update, 2 IsInitialized, 3 Initialize, 4 GetData,
//   5.. class-specific methods.
// Update rebuilds the class's instance list from the middleware; Initialize
// does it the first time only (every time for associations); GetData copies
// the list into the host's array.
#pragma once

#include <atomic>

#include "zubprov/api.h"
#include "zubprov/status.h"
#include "zubprov/zub_array.h"
#include "zubprov/zub_string.h"

class ZUBPROV_API CProviderInterfaceBase {
 public:
  CProviderInterfaceBase() = default;
  CProviderInterfaceBase(const CProviderInterfaceBase& other)
      : m_bInitialized(other.m_bInitialized.load()), m_bAssociation(other.m_bAssociation) {}
  CProviderInterfaceBase& operator=(const CProviderInterfaceBase& other) {
    m_bInitialized = other.m_bInitialized.load();
    m_bAssociation = other.m_bAssociation;
    return *this;
  }
  virtual ~CProviderInterfaceBase() = default;

  virtual PROVIDER_STATUS Update() = 0;
  virtual bool IsInitialized() { return m_bInitialized; }
  virtual PROVIDER_STATUS Initialize() = 0;

  // Atomic: the monitor thread's Update sets it while host threads read it.
  // One byte, like the flag it stands for.
  std::atomic<bool> m_bInitialized{false};
  bool m_bAssociation = false;
};

// Base of every association interface: its Initialize always rebuilds.
class ZUBPROV_API CAssociationInterface : public CProviderInterfaceBase {
 public:
  CAssociationInterface() { m_bAssociation = true; }
  CAssociationInterface(const CAssociationInterface&) = default;
  CAssociationInterface& operator=(const CAssociationInterface&) = default;
};

static_assert(sizeof(std::atomic<bool>) == sizeof(bool));
