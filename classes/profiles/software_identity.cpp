// software_identity.cpp: CZubSoftwareIdentity, the drivers, this provider
// and the middleware with their versions; CZubElementSoftwareIdentity,
// every system with every identity.
#include "classes/profiles/software_identity.h"

#include <cwchar>

#include "classes/system/computer_system.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/event_register.h"
#include "framework/class_base.h"
#include "framework/text.h"
#include "middleware/wrappers.h"

ZUB_DESCRIBE(stZUB_SoftwareIdentity,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(IsEntity).Cim(CimType::Boolean),
    ZUB_FIELD(MajorVersion).Cim(CimType::UInt16),
    ZUB_FIELD(MinorVersion).Cim(CimType::UInt16),
    ZUB_FIELD(RevisionNumber).Cim(CimType::UInt16),
    ZUB_FIELD(BuildNumber).Cim(CimType::UInt16),
    ZUB_FIELD(LargeBuildNumber),
    ZUB_FIELD(IsLargeBuildNumber).Cim(CimType::Boolean),
    ZUB_FIELD(VersionString),
    ZUB_FIELD(TargetOperatingSystems),
    ZUB_FIELD(Manufacturer),
    ZUB_FIELD(Languages),
    ZUB_FIELD(Classifications).Cim(CimType::UInt16),
    ZUB_FIELD(TargetOSTypes).Cim(CimType::UInt16),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(Name))

ZUB_DESCRIBE(stZUB_ElementSoftwareIdentity,
    ZUB_FIELD(Antecedent).Key(1).Ref("ZUB_ComputerSystem"),
    ZUB_FIELD(Dependent).Key(2).Ref("ZUB_SoftwareIdentity"),
    ZUB_FIELD(ElementSoftwareStatus).Cim(CimType::UInt16))

namespace {

enum : uint64_t { kClassDriver = 2, kClassProvider = 5, kClassMiddleware = 9 };

// The element name of a controller's driver, by controller type.
struct DriverName {
  int32_t controllerType;
  const wchar_t* elementName;
};
constexpr DriverName kDriverNames[] = {
    {kControllerTypeAhci, L"ZUBe AHCI Port Driver "},
    {kControllerTypeDox, L"ZUBe DOX Port Driver "},
};
constexpr const wchar_t* kUnknownDriver = L"Unknown";

// A record with the fixed fields and the version, classification and names.
stZUB_SoftwareIdentity IdentityOf(const CZubString& instanceId, const CZubString& version, uint64_t classification,
                                  const CZubString& elementName) {
  enum : uint64_t { kOsTypeA = 103, kOsTypeB = 105 };
  stZUB_SoftwareIdentity rec;
  rec.InstanceID = instanceId;
  rec.IsEntity = 1;
  const SoftwareVersion parsed = SoftwareVersionOf(version);
  if (parsed.known) {
    // Signed numbers widened to 64 bits, as the version text gives them.
    const auto widened = [&](int i) { return static_cast<uint64_t>(static_cast<int64_t>(parsed.numbers[i])); };
    rec.MajorVersion = widened(0);
    rec.MinorVersion = widened(1);
    rec.RevisionNumber = widened(2);
    rec.BuildNumber = widened(3);
    rec.LargeBuildNumber = widened(3);
  }
  rec.IsLargeBuildNumber = 1;
  rec.VersionString = version;
  rec.TargetOperatingSystems.Add(L"Refer to SoftwareIdentity.TargetOSTypes field");
  rec.Manufacturer = L"Corvo Corporation";
  rec.Languages.Add(L"en");
  rec.Classifications.Add(classification);
  rec.TargetOSTypes.Add(kOsTypeA);
  rec.TargetOSTypes.Add(kOsTypeB);
  rec.ElementName = elementName;
  rec.Name = elementName;
  return rec;
}

class CZubSoftwareIdentity : public CZubClassT<CZubSoftwareIdentityInterface, stZUB_SoftwareIdentity>,
                             public CDetectChangesT<CZubSoftwareIdentity, stZUB_SoftwareIdentity> {
 public:
  PROVIDER_STATUS Update() override { return Build(nullptr); }

  // Update, also handing what it read to *read when it read every
  // controller and the system record (the event monitor's comparison).
  PROVIDER_STATUS Build(std::optional<CListRead<stZUB_SoftwareIdentity>>* read) {
    CListBuild<stZUB_SoftwareIdentity> built(m_list, read);
    // No controller, or a reload that fails, ends the drivers only.
    CHostController controllers;
    ForEachListed(
        controllers, [](CHostController& w) { return w.Load(); },
        [&](const _SSI_ControllerInfo& controller) {
          built.Add(DriverIdentityOf(controller));
          return PROVIDER_SUCCESS;
        },
        &built);
    built.Add(IdentityOf(L"ZUBe:CIMProvider", L"3.0.0.8000", kClassProvider, L"ZUBe CIM Provider"));
    _SSI_SystemInfo system{};
    if (EnsureMiddlewareInitialized() == SSI_STATUS_SUCCESS && ReadSystemInfo(&system) == SSI_STATUS_SUCCESS) {
      const CZubString version = FromMultiByte(system.middlewareVersion);
      if (SoftwareVersionOf(version).known)
        built.Add(IdentityOf(L"ZUBe:ABRU2", version, kClassMiddleware, L"ZUBe SSI Middleware Driver"));
    } else {
      built.SetIncomplete();
    }
    return UpdateDone();
  }

  // After an event: one alert per identity whose version changed since the
  // previous event.
  void RaiseAlerts(const CArrayT<stZUB_SoftwareIdentity>& before, const CArrayT<stZUB_SoftwareIdentity>& now) {
    for (const stZUB_SoftwareIdentity* changed : SoftwareChanges(before, now)) RaiseSoftwareAlert(m_alerts, *changed);
  }
};

class CZubElementSoftwareIdentity
    : public CZubClassT<CZubElementSoftwareIdentityInterface, stZUB_ElementSoftwareIdentity> {
 public:
  PROVIDER_STATUS Update() override {
    enum : uint64_t { kStatusCurrent = 6 };
    m_list.RemoveAll();
    const CReferenceBuilder refs;
    if (!refs.HasContainer()) return PROVIDER_FAILED;
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_SoftwareIdentity> software;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubComputerSystemInstance>(&systems)) return s;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubSoftwareIdentityInstance>(&software)) return s;
    if (systems.GetCount() == 0 || software.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(systems, software, [](const auto&, const auto&) { return true; },
         [&](const stZUB_ComputerSystem& system, const stZUB_SoftwareIdentity& identity) {
           stZUB_ElementSoftwareIdentity rec;
           rec.Antecedent = refs.To(L"ZUB_ComputerSystem", system);
           rec.Dependent = refs.To(L"ZUB_SoftwareIdentity", identity);
           rec.ElementSoftwareStatus.Add(kStatusCurrent);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

}  // namespace

SoftwareVersion SoftwareVersionOf(const CZubString& text) {
  SoftwareVersion v;
  int n[4] = {};
  if (std::swscanf(text.GetBuffer(), L"%d.%d.%d.%d", &n[0], &n[1], &n[2], &n[3]) != 4) return v;
  if (n[0] == 0 && n[1] == 0 && n[2] == 0 && n[3] == 0) return v;
  v.known = true;
  for (int i = 0; i < 4; ++i) v.numbers[i] = n[i];
  return v;
}

stZUB_SoftwareIdentity DriverIdentityOf(const _SSI_ControllerInfo& controller) {
  const wchar_t* elementName = kUnknownDriver;
  for (const DriverName& d : kDriverNames) {
    if (d.controllerType == controller.controllerType) elementName = d.elementName;
  }
  return IdentityOf(FromMultiByte(controller.name), FromMultiByte(controller.driverVersion), kClassDriver,
                    elementName);
}

std::vector<const stZUB_SoftwareIdentity*> SoftwareChanges(const CArrayT<stZUB_SoftwareIdentity>& previous,
                                                           const CArrayT<stZUB_SoftwareIdentity>& current) {
  std::vector<const stZUB_SoftwareIdentity*> changed;
  if (previous.GetCount() != current.GetCount()) return changed;
  for (size_t i = 0; i < current.GetCount(); ++i) {
    if (current[i].VersionString.Compare(previous[i].VersionString) != 0) changed.push_back(&current[i]);
  }
  return changed;
}

CZubSoftwareIdentityInterface* PROVIDER_CreateZubSoftwareIdentityInstance() {
  return Singleton<CZubSoftwareIdentity>();
}

CEventRegisterInterface* SoftwareIdentityEvents() { return Singleton<CZubSoftwareIdentity>(); }

CZubElementSoftwareIdentityInterface* PROVIDER_CreateZubElementSoftwareIdentityInstance() {
  return Singleton<CZubElementSoftwareIdentity>();
}
