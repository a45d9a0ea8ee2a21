// catalog.h: the CIM classes the library serves, for hosts that drive them
// generically (the command-line host, the WBEM server): each entry names the
// class, its factory, its record description and its extrinsic methods, and
// copies the instance list out through the class's own GetData.
#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "framework/interfaces.h"
#include "framework/record_desc.h"

struct MethodDesc {
  const char* name;
  // Calls the method on the class's object with a record of its type.
  PROVIDER_STATUS (*invoke)(void* record);
};

using RecordVisitor = std::function<void(const void* record)>;

struct ClassDesc {
  const char* name;  // the CIM class, e.g. "ZUB_ComputerSystem"
  bool association;
  const RecordDesc& (*record)();
  CProviderInterfaceBase* (*object)();  // the class's factory
  // GetData into a local array, then visit each record in order.
  PROVIDER_STATUS (*getData)(const RecordVisitor& visit);
  std::span<const MethodDesc> methods;
};

// Every class, in a stable order.
ZUBPROV_API std::span<const ClassDesc> ClassCatalog();
// The class of that exact name, or null.
ZUBPROV_API const ClassDesc* FindClass(std::string_view name);

// Building blocks for catalogue entries.
template <class Iface, class Rec, Iface* (*Factory)()>
PROVIDER_STATUS GetDataOf(const RecordVisitor& visit) {
  Iface* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  CArrayT<Rec> records;
  PROVIDER_STATUS status = object->GetData(&records);
  for (const Rec& r : records) visit(&r);
  return status;
}

template <class Iface, Iface* (*Factory)()>
CProviderInterfaceBase* ObjectOf() {
  return Factory();
}

template <class Iface, class Rec, Iface* (*Factory)(), PROVIDER_STATUS (Iface::*Method)(Rec*)>
PROVIDER_STATUS InvokeOf(void* record) {
  Iface* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  return (object->*Method)(static_cast<Rec*>(record));
}

template <class Iface, class Rec, Iface* (*Factory)(), PROVIDER_STATUS (Iface::*Method)(Rec)>
PROVIDER_STATUS InvokeByValueOf(void* record) {
  Iface* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  return (object->*Method)(*static_cast<Rec*>(record));
}

template <class Iface, class Rec, Iface* (*Factory)()>
constexpr ClassDesc DescribeClass(const char* name, bool association,
                                  std::span<const MethodDesc> methods = {}) {
  return ClassDesc{name, association, &Rec::Describe, &ObjectOf<Iface, Factory>,
                   &GetDataOf<Iface, Rec, Factory>, methods};
}
