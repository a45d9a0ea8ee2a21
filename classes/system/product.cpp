// product.cpp: the four product classes (one implementation over a table of
// kinds) and the card associations.
#include "classes/system/product.h"

#include "classes/system/card.h"
#include "classes/system/computer_system.h"
#include "classes/system/port_controller.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_Product,
    ZUB_FIELD(Name).Key(1),
    ZUB_FIELD(IdentifyingNumber).Key(2),
    ZUB_FIELD(Vendor).Key(3),
    ZUB_FIELD(Version).Key(4),
    ZUB_FIELD(Description),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(CreationClassName))

ZUB_DESCRIBE(stZUB_ProductPhysicalComponent,
    ZUB_FIELD(GroupComponent).Key(1).Ref("CIM_Product"),
    ZUB_FIELD(PartComponent).Key(2).Ref("ZUB_Card"))

ZUB_DESCRIBE(stZUB_ComputerSystemPackage,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_ComputerSystem"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_Card"))

ZUB_DESCRIBE(stZUB_Realizes,
    ZUB_FIELD(Dependent).Key(1).Ref("ZUB_PortController"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_Card"))

namespace {

struct ProductKind {
  const wchar_t* namePrefix;
  const wchar_t* description;
  const wchar_t* elementName;
  const wchar_t* creationClassName;
};
enum KindIndex : size_t { kHba, kDisk, kEnclosure, kRouter };
constexpr ProductKind kKinds[] = {
    {L"Host_Controller_", L"Host Bus Adapter - RAID", L"Corvo ZUB RAID HBA", L"ZUB_ProductHBA"},
    {L"End_Device_", L"Storage Device", L"Disk", L"ZUB_ProductDisk"},
    {L"Enclosure_", L"Disk Enclosure", L"Disk Enclosure", L"ZUB_ProductEnclosure"},
    {L"Router_", L"Router or Expander Device", L"Router or Expander Device", L"ZUB_ProductRouter"},
};

stZUB_Product Product(KindIndex kind, const CZubString& nameText, SSI_HANDLE handle, const CZubString& vendor,
                      const CZubString& version) {
  const ProductKind& k = kKinds[kind];
  stZUB_Product rec;
  rec.Name = k.namePrefix;
  rec.Name.Append(nameText);
  rec.IdentifyingNumber = NumberText(handle);
  rec.Vendor = vendor;
  rec.Version = version;
  rec.Description = k.description;
  rec.ElementName = k.elementName;
  rec.CreationClassName = k.creationClassName;
  return rec;
}

}  // namespace

stZUB_Product ProductOf(const _SSI_ControllerInfo& controller) {
  return Product(kHba, FromMultiByte(controller.name), controller.handle, NumberText(controller.vendor),
                 FromMultiByte(controller.driverVersion));
}
stZUB_Product ProductOf(const _SSI_EndDeviceInfo& device) {
  return Product(kDisk, FromMultiByte(device.serialNo), device.handle, FromMultiByte(device.model),
                 FromMultiByte(device.firmware));
}
stZUB_Product ProductOf(const _SSI_EnclosureInfo& enclosure) {
  return Product(kEnclosure, FromMultiByte(enclosure.vendor), enclosure.handle, FromMultiByte(enclosure.vendor),
                 FromMultiByte(enclosure.version));
}
stZUB_Product ProductOf(const _SSI_RoutingDeviceInfo& router) {
  return Product(kRouter, NumberText(router.handle), router.handle, FromMultiByte(router.vendor),
                 FromMultiByte(router.version));
}

namespace {

// Every object of a wrapper's kind (scope 0).
template <class Wrapper>
SSI_STATUS LoadAll(Wrapper& w) {
  if constexpr (std::is_same_v<Wrapper, CHostController>) {
    return w.Load();
  } else {
    return w.Load(SSI_SCOPE_ALL, 0);
  }
}

template <class Wrapper>
class CZubProductT : public CZubClassT<CZubProductInterface, stZUB_Product> {
 public:
  PROVIDER_STATUS Update() override {
    Wrapper wrapper;
    return UpdateFromList(wrapper, &LoadAll<Wrapper>, [](const auto& item) { return ProductOf(item); });
  }
};

// Another class's list after its own Update: these associations refresh what
// they read.
template <auto Factory>
PROVIDER_STATUS ReadRefreshed(CArrayT<RecordOf<Factory>>* out) {
  if (auto* object = Factory()) object->Update();
  return ReadList<Factory>(out);
}

class CZubProductPhysicalComponent
    : public CZubClassT<CZubProductPhysicalComponentInterface, stZUB_ProductPhysicalComponent> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CReferenceBuilder refs;
    CArrayT<stZUB_Card> cards;
    CArrayT<stZUB_Product> hbas, routers, disks, enclosures;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubCardInstance>(&cards)) return s;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubProductHBAInstance>(&hbas)) return s;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubProductRouterInstance>(&routers)) return s;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubProductDiskInstance>(&disks)) return s;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubProductEnclosureInstance>(&enclosures)) return s;
    for (const stZUB_Card& card : cards) {
      const CZubString cardRef = refs.To(L"ZUB_Card", card);
      for (const stZUB_Product& hba : hbas) {
        if (hba.IdentifyingNumber == card.Tag) Add(refs.To(L"ZUB_ProductHBA", hba), cardRef);
      }
      const SSI_HANDLE controller = HandleFromText(card.Tag);
      if (!AddUnder<CRoutingDevice>(controller, routers, L"ZUB_ProductRouter", refs, cardRef) ||
          !AddUnder<CEndDevices>(controller, disks, L"ZUB_ProductDisk", refs, cardRef) ||
          !AddUnder<CEnclosure>(controller, enclosures, L"ZUB_ProductEnclosure", refs, cardRef)) {
        return PROVIDER_FAILED;
      }
    }
    return UpdateDone();
  }

 private:
  // The products of the objects of Wrapper's kind under `controller`; false
  // when they cannot be listed.
  template <class Wrapper>
  bool AddUnder(SSI_HANDLE controller, const CArrayT<stZUB_Product>& products, const wchar_t* cimClass,
                const CReferenceBuilder& refs, const CZubString& cardRef) {
    Wrapper objects;
    if (objects.Load(SSI_SCOPE_CONTROLLER, controller) != SSI_STATUS_SUCCESS) return false;
    for (const auto& object : objects.m_list) {
      for (const stZUB_Product& product : products) {
        if (HandleFromText(product.IdentifyingNumber) == object.handle) Add(refs.To(cimClass, product), cardRef);
      }
    }
    return true;
  }

  void Add(const CZubString& product, const CZubString& card) {
    stZUB_ProductPhysicalComponent rec;
    rec.GroupComponent = product;
    rec.PartComponent = card;
    m_list.AddLocked(rec);
  }
};

// An association of each element of a controller with the card of that
// controller, when there are as many elements as cards.
template <class Iface, class Rec, auto ElementFactory, auto Matches>
class CCardAssociationT : public CZubClassT<Iface, Rec> {
 public:
  explicit CCardAssociationT(const wchar_t* elementClass) : m_elementClass(elementClass) {}

  PROVIDER_STATUS Update() override {
    this->m_list.RemoveAll();
    CReferenceBuilder refs;
    CArrayT<RecordOf<ElementFactory>> elements;
    CArrayT<stZUB_Card> cards;
    if (PROVIDER_STATUS s = ReadRefreshed<ElementFactory>(&elements)) return s;
    if (PROVIDER_STATUS s = ReadRefreshed<&PROVIDER_CreateZubCardInstance>(&cards)) return s;
    if (elements.GetCount() == 0 || cards.GetCount() == 0 || elements.GetCount() != cards.GetCount()) {
      return PROVIDER_NOT_FOUND;
    }
    Join(elements, cards, Matches, [&](const auto& element, const stZUB_Card& card) {
      Rec rec;
      rec.Dependent = refs.To(m_elementClass, element);
      rec.Antecedent = refs.To(L"ZUB_Card", card);
      this->m_list.AddLocked(rec);
    });
    return this->UpdateDone();
  }

 private:
  const wchar_t* m_elementClass;
};

constexpr auto SystemOfCard = [](const stZUB_ComputerSystem& system, const stZUB_Card& card) {
  return card.Tag == system.ControllerHandle;
};
constexpr auto PortControllerOfCard = [](const stZUB_PortController& controller, const stZUB_Card& card) {
  return card.Tag == controller.DeviceID;
};

struct CZubComputerSystemPackage
    : CCardAssociationT<CZubComputerSystemPackageInterface, stZUB_ComputerSystemPackage,
                        &PROVIDER_CreateZubComputerSystemInstance, SystemOfCard> {
  CZubComputerSystemPackage() : CCardAssociationT(L"ZUB_ComputerSystem") {}
};
struct CZubRealizes : CCardAssociationT<CZubRealizesInterface, stZUB_Realizes,
                                        &PROVIDER_CreateZubPortControllerInstance, PortControllerOfCard> {
  CZubRealizes() : CCardAssociationT(L"ZUB_PortController") {}
};

using CZubProductHBA = CZubProductT<CHostController>;
using CZubProductDisk = CZubProductT<CEndDevices>;
using CZubProductEnclosure = CZubProductT<CEnclosure>;
using CZubProductRouter = CZubProductT<CRoutingDevice>;

}  // namespace

CZubProductInterface* PROVIDER_CreateZubProductHBAInstance() { return Singleton<CZubProductHBA>(); }
CZubProductInterface* PROVIDER_CreateZubProductDiskInstance() { return Singleton<CZubProductDisk>(); }
CZubProductInterface* PROVIDER_CreateZubProductEnclosureInstance() { return Singleton<CZubProductEnclosure>(); }
CZubProductInterface* PROVIDER_CreateZubProductRouterInstance() { return Singleton<CZubProductRouter>(); }
CZubProductPhysicalComponentInterface* PROVIDER_CreateZubProductPhysicalComponentInstance() {
  return Singleton<CZubProductPhysicalComponent>();
}
CZubComputerSystemPackageInterface* PROVIDER_CreateZubComputerSystemPackageInstance() {
  return Singleton<CZubComputerSystemPackage>();
}
CZubRealizesInterface* PROVIDER_CreateZubRealizesInstance() { return Singleton<CZubRealizes>(); }
