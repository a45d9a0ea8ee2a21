// Factories, the shared Initialize/GetData, the provider and the container.
#include <gtest/gtest.h>

#include "events/event_mon.h"
#include "framework/catalog.h"
#include "framework/class_base.h"
#include "provider/provider.h"
#include "sim/abru2_control.h"

namespace {

struct stFake {
  CZubString Text;
};

// A class whose Update returns what the test wants and counts its calls.
template <class Base>
class CountingClass : public CZubClassT<Base, stFake> {
 public:
  PROVIDER_STATUS Update() override {
    ++updates;
    this->m_list.RemoveAll();
    stFake r;
    r.Text = L"r";
    this->m_list.AddLocked(r);
    this->m_list.AddLocked(r);
    this->m_list.MoveNext();
    return result;
  }
  int updates = 0;
  PROVIDER_STATUS result = PROVIDER_NOT_FOUND;
};

class FakeInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stFake>* out) = 0;
};
class FakeAssociation : public CAssociationInterface {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stFake>* out) = 0;
};

TEST(Lifecycle, InitializeReadsOnceForInstancesAndEveryTimeForAssociations) {
  CountingClass<FakeInterface> instance;
  EXPECT_FALSE(instance.IsInitialized());
  EXPECT_EQ(instance.Initialize(), PROVIDER_NOT_FOUND);  // 4 still counts as initialised
  EXPECT_TRUE(instance.IsInitialized());
  EXPECT_EQ(instance.Initialize(), PROVIDER_SUCCESS);   // no second read
  EXPECT_EQ(instance.updates, 1);
  CountingClass<FakeInterface> failing;
  failing.result = PROVIDER_FAILED;
  EXPECT_EQ(failing.Initialize(), PROVIDER_FAILED);
  EXPECT_FALSE(failing.IsInitialized());  // tries again next time
  failing.result = PROVIDER_SUCCESS;
  EXPECT_EQ(failing.Initialize(), PROVIDER_SUCCESS);
  EXPECT_EQ(failing.updates, 2);
  CountingClass<FakeAssociation> association;
  EXPECT_TRUE(association.m_bAssociation);
  association.result = PROVIDER_SUCCESS;
  association.Initialize();
  EXPECT_EQ(association.updates, 2);  // first call: once as association, once to initialise
  association.Initialize();
  EXPECT_EQ(association.updates, 3);
  // A host's first request takes the list Initialize read, when it read
  // one; after the monitor initialised a class, Initialize reads nothing.
  ClassDesc desc{};
  CountingClass<FakeInterface> unread, monitored, broken;
  monitored.Initialize();
  broken.result = PROVIDER_FAILED;
  const auto first = [&](auto& object, bool association) {
    desc.association = association;
    return InitializeForFirstRequest(desc, object);
  };
  EXPECT_TRUE(first(unread, false).listRead);
  EXPECT_FALSE(first(monitored, false).listRead);
  EXPECT_FALSE(first(broken, false).listRead);
  EXPECT_EQ(first(broken, false).status, PROVIDER_FAILED);
  EXPECT_TRUE(first(association, true).listRead);
  CArrayT<stFake> out;
  EXPECT_EQ(association.GetData(nullptr), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(association.GetData(&out), PROVIDER_SUCCESS);
  EXPECT_EQ(out.GetCount(), 2u);
  EXPECT_EQ(out.GetCursor(), 0u);  // Initialize reset the list's cursor; copies start at 0
  out.MoveNext();
  EXPECT_EQ(association.GetData(&out), PROVIDER_SUCCESS);  // a host reuses its array
  EXPECT_EQ(out.GetCount(), 2u) << "GetData replaces what the array held";
  EXPECT_EQ(out.GetCursor(), 0u);
}

// A class built in one step (CListBuild) that notes, at the moment its
// Update says it is initialised, what a reader on another thread would get
// then: the build's records, not the empty list of before its first build
// (the event monitor's first reading took such an empty list while a host's
// first build of the same class was ending).
class OneStepClass : public CZubClassT<FakeInterface, stFake> {
 public:
  PROVIDER_STATUS Update() override {
    CListBuild<stFake> built(m_list, nullptr);
    stFake r;
    r.Text = L"built";
    built.Add(r);
    built.Add(r);
    const PROVIDER_STATUS status = UpdateDone();
    CArrayT<stFake> seen;
    GetData(&seen);
    initializedWithoutList = IsInitialized() && seen.GetCount() == 0;
    return status;
  }
  bool initializedWithoutList = false;
};

TEST(Lifecycle, AClassSaysItIsInitialisedOnlyWithItsListInPlace) {
  OneStepClass cls;
  EXPECT_EQ(cls.Initialize(), PROVIDER_SUCCESS);
  EXPECT_FALSE(cls.initializedWithoutList);
  EXPECT_TRUE(cls.IsInitialized());
  CArrayT<stFake> out;
  EXPECT_EQ(cls.GetData(&out), PROVIDER_SUCCESS);
  EXPECT_EQ(out.GetCount(), 2u) ;
}

// The container and the provider are one object each; the container keeps
// exactly the names given, the provider starts the middleware once and its
// Cleanup finalises it once.
TEST(Lifecycle, ContainerAndProviderAreOneObjectEachAndStartTheMiddlewareOnce) {
  CZubContainerInterface* container = PROVIDER_CreateZubContainerInstance();
  EXPECT_EQ(container, PROVIDER_CreateZubContainerInstance());
  EXPECT_EQ(container->Initialize(), PROVIDER_SUCCESS);
  EXPECT_EQ(container->SetComputerNameStrings({L"", L"h\u00e9te"}), PROVIDER_SUCCESS);
  EXPECT_EQ(GetComputerStringNames().Namespace.Str(), L"");
  EXPECT_EQ(GetComputerStringNames().ComputerName.Str(), L"h\u00e9te");
  abru2sim::ResetToDefault();
  CZubProviderInterface* provider = PROVIDER_CreateZubProviderInstance();
  EXPECT_EQ(provider, PROVIDER_CreateZubProviderInstance());
  PROVIDER_CreateEventMonInstance()->Terminate();  // no monitor thread in this process
  EXPECT_EQ(provider->Update(), PROVIDER_NOT_SUPPORTED);
  EXPECT_EQ(provider->Initialize(), PROVIDER_SUCCESS);
  EXPECT_EQ(provider->Initialize(), PROVIDER_SUCCESS);
  EXPECT_TRUE(abru2sim::IsInitialized());
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiInitialize"], 1u);
  EXPECT_EQ(provider->Cleanup(), PROVIDER_SUCCESS);
  EXPECT_EQ(provider->Cleanup(), PROVIDER_SUCCESS);
  EXPECT_EQ(abru2sim::GetCounters().calls["SsiFinalize"], 1u);
  EXPECT_FALSE(abru2sim::IsInitialized());
}

}  // namespace
