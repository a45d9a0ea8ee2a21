// card.cpp: CZubCard, one record per controller.
#include "classes/system/card.h"

#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_Card,
    ZUB_FIELD(OperationalStatus).Cim(CimType::UInt16),
    ZUB_FIELD(PoweredOn).Cim(CimType::Boolean),
    ZUB_FIELD(Caption),
    ZUB_FIELD(Description),
    ZUB_FIELD(PackageType).Cim(CimType::UInt16),
    ZUB_FIELD(OtherPackageType),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Model),
    ZUB_FIELD(SKU),
    ZUB_FIELD(Manufacturer),
    ZUB_FIELD(SerialNumber),
    ZUB_FIELD(Version),
    ZUB_FIELD(Name),
    ZUB_FIELD(CreationClassName).Key(1),
    ZUB_FIELD(Tag).Key(2))

stZUB_Card CardOf(const _SSI_ControllerInfo& controller) {
  enum : uint64_t { kOperationalStatusOk = 2, kPackageTypeOther = 1 };
  const CZubString name = FromMultiByte(controller.name);
  const CZubString id = NumberText(controller.id);
  stZUB_Card rec;
  rec.OperationalStatus = kOperationalStatusOk;
  rec.PoweredOn = 1;
  rec.Caption = name;
  rec.Description = name;
  rec.PackageType = kPackageTypeOther;
  rec.OtherPackageType = L"KRL Chipset";
  rec.ElementName = name;
  rec.Model = id;
  rec.SKU = id;
  rec.Manufacturer = L"Corvo_";
  rec.Manufacturer.Append(id);
  rec.SerialNumber = id;
  rec.Version = id;
  rec.Name = id;
  rec.Name.Append(L"_");
  rec.Name.Append(name);
  rec.CreationClassName = L"ZUB_Card";
  rec.Tag = NumberText(controller.handle);
  return rec;
}

namespace {

class CZubCard : public CZubClassT<CZubCardInterface, stZUB_Card> {
 public:
  PROVIDER_STATUS Update() override { return UpdateFromList<CHostController>(&CardOf); }
};

}  // namespace

CZubCardInterface* PROVIDER_CreateZubCardInstance() { return Singleton<CZubCard>(); }
