// association.h: the kit of classes that join other classes' lists (the
// association classes, and methods that look up other classes' instances):
// reading another class's list, joining two lists, and building a reference
// to an instance from its record.
//
//   CArrayT<stZUB_StorageVolume> volumes;
//   if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageVolumeInstance>(&volumes)) return s;
//   CReferenceBuilder refs;
//   if (!refs.HasContainer()) return PROVIDER_FAILED;
//   Join(volumes, pools, SameController, [&](const auto& v, const auto& p) {
//     rec.Dependent = refs.To(L"ZUB_StorageVolume", v); ... });
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/catalog.h"
#include "zubprov/interfaces.h"
#include "framework/record_desc.h"

enum class ListNeed {
  AnyState,  // the list as it is, also from a class that did not initialise
  Ready,     // 7 when the class is still not initialised after Initialize
  Rebuilt,   // Update instead of Initialize: the list as the middleware gives
             // it now, whatever Update returned (for classes that refresh
             // every class they read)
};

// The monitor's refresh after an event rebuilds many classes that read the
// same others (every port class rebuilds the DA ports, which rebuild the
// volumes). While a CSharedRebuilds lives on a thread, each class is rebuilt
// at most once there (by ReadList with ListNeed::Rebuilt, or by the refresh
// itself): a later reader in the same refresh takes the list made moments
// before. A change that lands during the refresh brings its own event, and
// the next refresh reads it. Other threads rebuild as before.
class CSharedRebuilds {
 public:
  CSharedRebuilds();
  ~CSharedRebuilds();
  CSharedRebuilds(const CSharedRebuilds&) = delete;
  CSharedRebuilds& operator=(const CSharedRebuilds&) = delete;

  // Whether the object (any of its interfaces) is to be rebuilt now: always
  // outside a CSharedRebuilds; inside, the first time only.
  template <class T>
  static bool FirstRebuild(T* object) {
    return FirstRebuildOf(dynamic_cast<const void*>(object));
  }

 private:
  static bool FirstRebuildOf(const void* object);

  std::set<const void*>* const m_outer;  // an enclosing one's, restored at the end
  std::set<const void*> m_rebuilt;
};

// Reads the instance list of the class that Factory makes, as a class that
// depends on it does: the singleton (created when needed), its Initialize
// (its Update with ListNeed::Rebuilt), then its GetData into *out. Returns 9
// when the object cannot be created, 7 (with ListNeed::Ready) when it is not
// initialised afterwards, otherwise GetData's status. *out is emptied first
// in every case.
template <auto Factory>
PROVIDER_STATUS ReadList(CArrayT<RecordOf<Factory>>* out, ListNeed need = ListNeed::AnyState) {
  out->RemoveAll();
  auto* object = Factory();
  if (!object) return PROVIDER_NO_OBJECT;
  if (need != ListNeed::Rebuilt) object->Initialize();
  else if (CSharedRebuilds::FirstRebuild(object)) object->Update();
  if (need == ListNeed::Ready && !object->IsInitialized()) return PROVIDER_NOT_READY;
  return object->GetData(out);
}

// ReadList of several classes, in order and with the same need:
//   ReadLists<&CreateVolumes, &CreatePools>(ListNeed::Rebuilt, &volumes, &pools)
// The first non-zero status ends it and is returned; the classes after it
// are not read.
template <auto... Factories>
PROVIDER_STATUS ReadLists(ListNeed need, CArrayT<RecordOf<Factories>>*... out) {
  PROVIDER_STATUS status = PROVIDER_SUCCESS;
  ((status = status != PROVIDER_SUCCESS ? status : ReadList<Factories>(out, need)), ...);
  return status;
}

// Builds object paths on the host and namespace the host handed to the
// container (both empty when it never did).
class CReferenceBuilder {
 public:
  // Reads the container's names once.
  CReferenceBuilder();

  // False when the container object could not be obtained; references are
  // then built with an empty host and namespace.
  bool HasContainer() const { return m_hasContainer; }

  // The same builder on another namespace, for references to instances that
  // live in a fixed one (registered profiles in the interop namespace).
  CReferenceBuilder InNamespace(const wchar_t* nameSpace) const {
    CReferenceBuilder other = *this;
    other.m_names.Namespace = nameSpace;
    return other;
  }

  // The path of the instance `record` of class `cimClass`: its keys in key
  // order, from its description; the first carries the class name
  // ("ZUB_StorageVolume.CreationClassName"). The class is the caller's,
  // since several classes share a record type and a reference may name a
  // general class. `firstKey` (when given) names the key written first,
  // the others following in key order: one association writes its
  // endpoints with "Name" first.
  CZubString To(const wchar_t* cimClass, const RecordDesc& desc, const void* record,
                const char* firstKey = nullptr) const;
  template <class Rec>
  CZubString To(const wchar_t* cimClass, const Rec& record, const char* firstKey = nullptr) const {
    return To(cimClass, Rec::Describe(), &record, firstKey);
  }

 private:
  stComputerStringNames m_names;
  bool m_hasContainer;
};

// Calls emit(a, b) for every pair with match(a, b), in the order of `left`,
// then of `right`.
template <class A, class B, class Match, class Emit>
void Join(const CArrayT<A>& left, const CArrayT<B>& right, Match match, Emit emit) {
  for (const A& a : left) {
    for (const B& b : right) {
      if (match(a, b)) emit(a, b);
    }
  }
}

// The records of `list` by one of their texts (the controller's handle,
// say), each group in list order: a join of every controller with its
// records then reads the list once rather than once per controller.
template <class Rec>
class CGroupedBy {
 public:
  CGroupedBy(const CArrayT<Rec>& list, CZubString Rec::*key) {
    for (const Rec& r : list) m_groups[(r.*key).Str()].push_back(&r);
  }
  // The records whose text is `key`, in list order (none when no record has it).
  const std::vector<const Rec*>& operator[](const CZubString& key) const {
    static const std::vector<const Rec*> kNone;
    const auto it = m_groups.find(key.Str());
    return it == m_groups.end() ? kNone : it->second;
  }

 private:
  std::map<std::wstring, std::vector<const Rec*>> m_groups;
};

// Records of the same controller: their ControllerHandle texts are equal.
inline constexpr auto SameController = [](const auto& a, const auto& b) {
  return a.ControllerHandle.Compare(b.ControllerHandle) == 0;
};
