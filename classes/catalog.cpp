// catalog.cpp: the table of every class the library serves. A class appears
// in every host output once it has a line here and a record description.
#include "framework/catalog.h"

#include "classes/system/computer_system.h"

namespace {

const ClassDesc kClasses[] = {
    DescribeClass<CZubComputerSystemInterface, stZUB_ComputerSystem, &PROVIDER_CreateZubComputerSystemInstance>(
        "ZUB_ComputerSystem", false),
};

}  // namespace

std::span<const ClassDesc> ClassCatalog() { return kClasses; }

const ClassDesc* FindClass(std::string_view name) {
  for (const ClassDesc& c : kClasses) {
    if (name == c.name) return &c;
  }
  return nullptr;
}
