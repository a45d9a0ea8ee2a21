// The association kit, on a scratch association made here: it reads two
// other classes' lists, joins them by controller and builds references whose
// keys come from the referenced records' descriptions.
#include <gtest/gtest.h>

#include "framework/association.h"
#include "framework/class_base.h"
#include "provider/provider.h"

namespace {

// Keys declared out of key order on purpose: references follow key order.
struct stDisk {
  CZubString DeviceID;
  CZubString CreationClassName;
  CZubString ControllerHandle;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(stDisk, ZUB_FIELD(DeviceID).Key(2), ZUB_FIELD(CreationClassName).Key(1),
             ZUB_FIELD(ControllerHandle).Internal())

struct stPool {
  CZubString InstanceID;
  CZubString ControllerHandle;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(stPool, ZUB_FIELD(InstanceID).Key(1), ZUB_FIELD(ControllerHandle).Internal())

struct stMember {
  CZubString GroupComponent;
  CZubString PartComponent;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(stMember, ZUB_FIELD(GroupComponent).Key(1).Ref("ZUB_Pool"),
             ZUB_FIELD(PartComponent).Key(2).Ref("ZUB_Disk"))

class DiskInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stDisk>* out) = 0;
};
class PoolInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stPool>* out) = 0;
};
class MemberInterface : public CAssociationInterface {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stMember>* out) = 0;
};

// Instance classes whose Update lists what the test put in `source`.
template <class Iface, class Rec>
class Fixed : public CZubClassT<Iface, Rec> {
 public:
  PROVIDER_STATUS Update() override {
    this->m_list.RemoveAll();
    if (status != PROVIDER_SUCCESS) return status;
    for (const Rec& r : source) this->m_list.AddLocked(r);
    return this->UpdateDone();
  }
  std::vector<Rec> source;
  PROVIDER_STATUS status = PROVIDER_SUCCESS;
};
using Disks = Fixed<DiskInterface, stDisk>;
using Pools = Fixed<PoolInterface, stPool>;

DiskInterface* CreateDisks() { return Singleton<Disks>(); }
PoolInterface* CreatePools() { return Singleton<Pools>(); }
PoolInterface* CreateNothing() { return nullptr; }
// A class that never initialises.
PoolInterface* CreateFailing() {
  static Pools* failing = new Pools();
  failing->status = PROVIDER_FAILED;
  return failing;
}

class Member : public CZubClassT<MemberInterface, stMember> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stDisk> disks;
    CArrayT<stPool> pools;
    if (PROVIDER_STATUS s = ReadList<&CreateDisks>(&disks)) return s;
    if (PROVIDER_STATUS s = ReadList<&CreatePools>(&pools)) return s;
    if (disks.GetCount() == 0 || pools.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(pools, disks, SameController, [&](const stPool& pool, const stDisk& disk) {
      stMember rec;
      rec.GroupComponent = refs.To(L"ZUB_Pool", pool);
      rec.PartComponent = refs.To(L"ZUB_Disk", disk);
      m_list.AddLocked(rec);
    });
    return UpdateDone();
  }
};

stDisk Disk(const wchar_t* id, const wchar_t* controller) { return {id, L"ZUB_Disk", controller}; }

TEST(AssociationKit, AScratchAssociationJoinsTwoListsWithReferencesFromTheDescriptions) {
  PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings({L"root\\Corvo_ZUB", L"box"});
  Singleton<Disks>()->source = {Disk(L"10", L"1"), Disk(L"a\"b\\c", L"2"), Disk(L"11", L"1")};
  Singleton<Pools>()->source = {{L"P1", L"1"}, {L"P2", L"2"}, {L"P3", L"3"}};
  EXPECT_EQ(CheckDescription(stMember::Describe()), "");
  Member member;
  EXPECT_EQ(member.Initialize(), PROVIDER_SUCCESS);
  CArrayT<stMember> out;
  ASSERT_EQ(member.GetData(&out), PROVIDER_SUCCESS);
  ASSERT_EQ(out.GetCount(), 3u);  // pool order, then disk order; pool 3 has no disk
  EXPECT_EQ(out[0].GroupComponent.Str(), L"\\\\box\\root\\Corvo_ZUB:ZUB_Pool.InstanceID=\"P1\"");
  EXPECT_EQ(out[0].PartComponent.Str(),
            L"\\\\box\\root\\Corvo_ZUB:ZUB_Disk.CreationClassName=\"ZUB_Disk\",DeviceID=\"10\"");
  EXPECT_EQ(out[1].PartComponent.Str(),
            L"\\\\box\\root\\Corvo_ZUB:ZUB_Disk.CreationClassName=\"ZUB_Disk\",DeviceID=\"11\"");
  EXPECT_EQ(out[2].PartComponent.Str(),  // values are copied unchanged
            L"\\\\box\\root\\Corvo_ZUB:ZUB_Disk.CreationClassName=\"ZUB_Disk\",DeviceID=\"a\"b\\c\"");
  // An association rebuilds on every Initialize, from the current lists.
  Singleton<Disks>()->source.pop_back();
  Singleton<Disks>()->Update();
  EXPECT_EQ(member.Initialize(), PROVIDER_SUCCESS);
  member.GetData(&out);
  EXPECT_EQ(out.GetCount(), 2u);
  Singleton<Pools>()->source.clear();
  Singleton<Pools>()->Update();
  EXPECT_EQ(member.Update(), PROVIDER_NOT_FOUND);
}

TEST(AssociationKit, ReadListReportsAMissingOrUnreadyClass) {
  CArrayT<stPool> pools;
  pools.Add({L"stale", L""});
  EXPECT_EQ(ReadList<&CreateNothing>(&pools), PROVIDER_NO_OBJECT);
  EXPECT_EQ(pools.GetCount(), 0u);
  // A class that did not initialise: its (empty) list as it is, or 7.
  EXPECT_EQ(ReadList<&CreateFailing>(&pools), PROVIDER_SUCCESS);
  EXPECT_EQ(ReadList<&CreateFailing>(&pools, ListNeed::Ready), PROVIDER_NOT_READY);
  // An initialised class keeps the list it read until it is rebuilt.
  Pools* source = Singleton<Pools>();
  source->source = {{L"P1", L"1"}};
  source->Update();
  source->source.push_back({L"P2", L"1"});
  EXPECT_EQ(ReadList<&CreatePools>(&pools), PROVIDER_SUCCESS);
  EXPECT_EQ(pools.GetCount(), 1u);
  EXPECT_EQ(ReadList<&CreatePools>(&pools, ListNeed::Rebuilt), PROVIDER_SUCCESS);
  EXPECT_EQ(pools.GetCount(), 2u);
  // Several lists: the first class that fails ends the reading.
  CArrayT<stPool> none;
  CArrayT<stDisk> disks;
  disks.Add(Disk(L"stale", L""));
  EXPECT_EQ((ReadLists<&CreatePools, &CreateNothing, &CreateDisks>(ListNeed::AnyState, &pools, &none, &disks)),
            PROVIDER_NO_OBJECT);
  EXPECT_EQ(pools.GetCount(), 2u);
  EXPECT_EQ(disks.GetCount(), 1u);
}

}  // namespace
