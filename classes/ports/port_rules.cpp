// port_rules.cpp: the shared port rules.
#include "classes/ports/port_rules.h"

#include "middleware/wrappers.h"

CZubString AddressText(const uint8_t (&components)[4], uint32_t address64Present, uint64_t address64) {
  CZubString text;
  if (address64Present != 0) {
    text.FromNumber(address64);
    return text;
  }
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0) text.Append(L"-");
    text.AppendNumber(components[i]);
  }
  return text;
}

uint64_t LinkRate(int32_t code) {
  if (code == 3) return 600000000000000ull;
  return static_cast<uint64_t>(static_cast<int64_t>(code)) * 150000000000000ull;
}

uint64_t ControllerPhyCount(SSI_HANDLE controller) {
  if (controller == 0) return 0;
  // A failed load leaves the fresh list empty: its status needs no look.
  CPhys phys;
  phys.Load(SSI_SCOPE_CONTROLLER_PHYS, controller);
  return phys.m_list.GetCount();
}
