// list_controllers.cpp: the smallest host of the provider library, written
// against the installed public headers only: hand in the names, start the
// provider, list the RAID controllers, stop.
//
//   c++ -std=c++20 -I PREFIX/include list_controllers.cpp -L PREFIX/lib -lzubprov -o list_controllers
#include <cstdio>
#include <string>

#include "zubprov/zubprov.h"

int main() {
  stComputerStringNames names;
  names.Namespace = L"root\\Corvo_ZUB";
  names.ComputerName = L"example";
  if (PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names) != PROVIDER_SUCCESS) return 1;
  CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance();
  provider->Initialize();

  CZubComputerSystemInterface* systems = PROVIDER_CreateZubComputerSystemInstance();
  systems->Initialize();
  CArrayT<stZUB_ComputerSystem> list;
  const PROVIDER_STATUS status = systems->GetData(&list);
  for (const stZUB_ComputerSystem& system : list) {
    const std::wstring& name = system.Name.Str();
    std::printf("%s\n", std::string(name.begin(), name.end()).c_str());
  }

  PROVIDER_CreateEventMonInstance()->Terminate();
  provider->Cleanup();
  return status == PROVIDER_SUCCESS && list.GetCount() > 0 ? 0 : 1;
}
