// catalog.h: the CIM classes the library serves, for hosts that drive them
// generically (the command-line host, the WBEM server).
//
// A catalogue row names the CIM class, its factory, the standard CIM class it
// specialises, a one-line description, its extrinsic methods and the
// namespace it lives in (the class namespace unless the row says In(...));
// everything else follows from the factory: the interface (its return type),
// the record (the interface's GetData argument), the association flag
// (whether the interface is an association interface). Method parameters and
// the return value are annotations of the record's description
// (record_desc.h). Hosts list the classes, the server builds its schema and
// the export check derives the library's exports from these rows.
//
//   ZUB_CLASS(PROVIDER_CreateZubComputerSystemInstance,
//             "ZUB_ComputerSystem", "CIM_ComputerSystem", "A RAID controller ...")
//   ZUB_CLASS(PROVIDER_CreateZubAlarmDeviceInstance, ..., kAlarmMethods)
//   with kAlarmMethods[] = {ZUB_METHOD(PROVIDER_CreateZubAlarmDeviceInstance, SetAlarmIndicator)}
//   ZUB_CLASS(PROVIDER_CreateZubRegisteredProfileInstance, ...).In(kInteropNamespace)
#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "zubprov/interfaces.h"
#include "framework/names.h"
#include "framework/record_desc.h"

struct MethodDesc {
  const char* name;
  // Calls the method on the class's object with a record of its type
  // (9 when the object cannot be created).
  PROVIDER_STATUS (*invoke)(void* record);
  // An extrinsic CIM method; false for an operation a host calls for an
  // intrinsic one (PutData, behind ModifyInstance), which is no part of the
  // class's CIM definition.
  bool extrinsic = true;
};

using RecordVisitor = std::function<void(const void* record)>;

struct ClassDesc {
  const char* name;         // the CIM class, e.g. "ZUB_ComputerSystem"
  const char* superclass;   // the standard class it specialises, e.g. "CIM_ComputerSystem"
  const char* description;  // one line for people and the schema
  bool association;
  const RecordDesc& (*record)();
  CProviderInterfaceBase* (*object)();  // the class's factory
  // GetData into a local array, then visit each record in order.
  PROVIDER_STATUS (*getData)(const RecordVisitor& visit);
  std::span<const MethodDesc> methods;
  const char* factory;                   // the exported factory's name
  const std::type_info* interfaceType;   // the exported interface the factory returns
  const wchar_t* nameSpace = kClassNamespace;

  // The same row in another namespace.
  constexpr ClassDesc In(const wchar_t* ns) const {
    ClassDesc row = *this;
    row.nameSpace = ns;
    return row;
  }
};

// Every class, in a stable order.
ZUBPROV_API std::span<const ClassDesc> ClassCatalog();
// The class of that exact name, or null.
ZUBPROV_API const ClassDesc* FindClass(std::string_view name);

// A host's first request of a class: its Initialize, and whether that has
// just read the list (an association always reads; another class only while
// it is not initialised, which the event monitor may have done), so the host
// takes that list rather than reading again with Update.
struct FirstRequest {
  PROVIDER_STATUS status;
  bool listRead;
};
ZUBPROV_API FirstRequest InitializeForFirstRequest(const ClassDesc& cls, CProviderInterfaceBase& object);

// One parameter of a method: a field of the record, or a field of one of its
// parameter blocks.
struct ParameterDesc {
  const FieldDesc* block;  // the parameter block holding it, or null
  const FieldDesc* field;

  void* At(void* record) const { return block ? field->at(block->at(record)) : field->at(record); }
};

// The parameters of `method` in record order (block fields in block order),
// and the field holding the return value (null when there is none).
ZUBPROV_API std::vector<ParameterDesc> MethodParameters(const RecordDesc& record, const char* method);
ZUBPROV_API const FieldDesc* ReturnValueField(const RecordDesc& record);

// ---- building rows ----------------------------------------------------------

template <auto Factory>
using InterfaceOf = std::remove_pointer_t<decltype(Factory())>;

template <class Iface, class Rec>
Rec RecordOfGetData(PROVIDER_STATUS (Iface::*)(CArrayT<Rec>*));
template <auto Factory>
using RecordOf = decltype(RecordOfGetData(&InterfaceOf<Factory>::GetData));

template <auto Factory>
PROVIDER_STATUS GetDataOf(const RecordVisitor& visit) {
  auto* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  CArrayT<RecordOf<Factory>> records;
  PROVIDER_STATUS status = object->GetData(&records);
  for (const auto& r : records) visit(&r);
  return status;
}

template <auto Factory>
CProviderInterfaceBase* ObjectOf() {
  return Factory();
}

// Methods take the record by pointer, except PutData, which takes a copy.
template <auto Factory, auto Method>
PROVIDER_STATUS InvokeOf(void* record) {
  auto* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  using Rec = RecordOf<Factory>;
  if constexpr (std::is_invocable_v<decltype(Method), decltype(object), Rec*>)
    return (object->*Method)(static_cast<Rec*>(record));
  else
    return (object->*Method)(*static_cast<Rec*>(record));
}

#define ZUB_METHOD(Factory, Name) MethodDesc{#Name, &InvokeOf<&Factory, &InterfaceOf<&Factory>::Name>, true}
#define ZUB_HOST_OPERATION(Factory, Name) \
  MethodDesc{#Name, &InvokeOf<&Factory, &InterfaceOf<&Factory>::Name>, false}

template <auto Factory>
ClassDesc ZubClass(const char* factory, const char* name, const char* superclass, const char* description,
                   std::span<const MethodDesc> methods = {}) {
  return ClassDesc{name,
                   superclass,
                   description,
                   std::is_base_of_v<CAssociationInterface, InterfaceOf<Factory>>,
                   &RecordOf<Factory>::Describe,
                   &ObjectOf<Factory>,
                   &GetDataOf<Factory>,
                   methods,
                   factory,
                   &typeid(InterfaceOf<Factory>)};
}
#define ZUB_CLASS(Factory, ...) ZubClass<&Factory>(#Factory, __VA_ARGS__)
