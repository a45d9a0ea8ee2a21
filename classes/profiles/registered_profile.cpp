// registered_profile.cpp: CZubRegisteredProfile from the profile table,
// CZubReferencedProfile and CZubElementConformsToProfile joining it.
#include "classes/profiles/registered_profile.h"

#include "classes/system/port_controller.h"
#include "classes/tables.h"
#include "framework/association.h"
#include "framework/class_base.h"

ZUB_DESCRIBE(stZUB_RegisteredProfile,
    ZUB_FIELD(InstanceID).Key(1),
    ZUB_FIELD(RegisteredOrganization).Cim(CimType::UInt16),
    ZUB_FIELD(OtherRegisteredOrganization).NullText(),
    ZUB_FIELD(RegisteredName),
    ZUB_FIELD(RegisteredVersion),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(AdvertiseTypes).Cim(CimType::UInt16))

ZUB_DESCRIBE(stZUB_ReferencedProfile,
    ZUB_FIELD(Antecedent).Key(1).Ref("ZUB_RegisteredProfile"),
    ZUB_FIELD(Dependent).Key(2).Ref("ZUB_RegisteredProfile"))

ZUB_DESCRIBE(stZUB_ElementConformsToProfile,
    ZUB_FIELD(ManagedElement).Key(1).Ref("ZUB_PortController"),
    ZUB_FIELD(ConformantStandard).Key(2).Ref("ZUB_RegisteredProfile"))

namespace {

enum : uint64_t { kOrganizationDmtf = 2, kOrganizationSnia = 11, kAdvertiseSlp = 3 };

struct ProfileEntry {
  const wchar_t* instancePrefix;
  uint64_t organization;
  const wchar_t* name;
  const wchar_t* version;
  const wchar_t* elementName;
};

// The profiles, in the order they are listed; an instance's index is its place here.
constexpr const wchar_t* kHostRaidProfile = L"Host Hardware RAID Controller";
constexpr ProfileEntry kProfiles[] = {
    {L"SNIA:", kOrganizationSnia, kHostRaidProfile, L"1.3.0", L"SNIA:HHRC"},
    {L"SNIA:", kOrganizationSnia, L"Block Services", L"1.4.0", L"SNIA:Block Services"},
    {L"CIM:", kOrganizationDmtf, L"Physical Asset", L"1.0.0a", L"SNIA:Physical Asset"},
    {L"SNIA:", kOrganizationSnia, L"Software Inventory", L"1.0.0", L"SNIA:Software Inventory"},
    {L"SNIA:", kOrganizationSnia, L"Generic Initiator Ports", L"1.3.0", L"SNIA:Generic Initiator Ports"},
    {L"SNIA:", kOrganizationSnia, L"Direct Attached (DA) Target Ports", L"1.2.0", L"SNIA:DA Target Port"},
    {L"SNIA:", kOrganizationSnia, L"Disk Sparing", L"1.4.0", L"SNIA:Disk Sparing"},
    {L"SNIA:", kOrganizationSnia, L"Indication", L"1.4.0", L"SNIA:Indication"},
};

bool IsHostRaidProfile(const stZUB_RegisteredProfile& profile) {
  return profile.RegisteredName.Compare(CZubString(kHostRaidProfile)) == 0;
}

class CZubRegisteredProfile : public CZubClassT<CZubRegisteredProfileInterface, stZUB_RegisteredProfile> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    uint64_t index = 0;
    for (const ProfileEntry& entry : kProfiles) {
      stZUB_RegisteredProfile rec;
      rec.InstanceID = entry.instancePrefix;
      rec.InstanceID.AppendNumber(index++);
      rec.RegisteredOrganization = entry.organization;
      rec.OtherRegisteredOrganization = L"NULL";
      rec.RegisteredName = entry.name;
      rec.RegisteredVersion = entry.version;
      rec.ElementName = entry.elementName;
      rec.AdvertiseTypes.Add(kAdvertiseSlp);
      m_list.AddLocked(rec);
    }
    return UpdateDone();
  }
};

class CZubReferencedProfile : public CZubClassT<CZubReferencedProfileInterface, stZUB_ReferencedProfile> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    const CReferenceBuilder profileRefs;  // the host's namespace, where it lists this class
    CArrayT<stZUB_RegisteredProfile> profiles;
    if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubRegisteredProfileInstance>(&profiles)) return s;
    if (profiles.GetCount() == 0) return PROVIDER_NOT_FOUND;
    Join(profiles, profiles,
         [](const stZUB_RegisteredProfile& a, const stZUB_RegisteredProfile& b) {
           return IsHostRaidProfile(a) && b.RegisteredName.Compare(a.RegisteredName) != 0;
         },
         [&](const stZUB_RegisteredProfile& host, const stZUB_RegisteredProfile& referenced) {
           stZUB_ReferencedProfile rec;
           rec.Antecedent = profileRefs.To(kProfileRegistrationClass, referenced);
           rec.Dependent = profileRefs.To(kProfileRegistrationClass, host);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

class CZubElementConformsToProfile
    : public CZubClassT<CZubElementConformsToProfileInterface, stZUB_ElementConformsToProfile> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    const CReferenceBuilder refs;
    CArrayT<stZUB_PortController> controllers;
    CArrayT<stZUB_RegisteredProfile> profiles;
    if (ReadList<&PROVIDER_CreateZubPortControllerInstance>(&controllers) == PROVIDER_NO_OBJECT ||
        ReadList<&PROVIDER_CreateZubRegisteredProfileInstance>(&profiles) == PROVIDER_NO_OBJECT)
      return PROVIDER_FAILED;
    if (profiles.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder elementRefs = refs.InNamespace(kClassNamespace);
    const CReferenceBuilder profileRefs = refs.InNamespace(kInteropNamespace);
    Join(controllers, profiles, [](const auto&, const stZUB_RegisteredProfile& p) { return IsHostRaidProfile(p); },
         [&](const stZUB_PortController& controller, const stZUB_RegisteredProfile& profile) {
           stZUB_ElementConformsToProfile rec;
           rec.ManagedElement = elementRefs.To(L"ZUB_PortController", controller);
           rec.ConformantStandard = profileRefs.To(kProfileRegistrationClass, profile);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

}  // namespace

CZubRegisteredProfileInterface* PROVIDER_CreateZubRegisteredProfileInstance() {
  return Singleton<CZubRegisteredProfile>();
}

CZubReferencedProfileInterface* PROVIDER_CreateZubReferencedProfileInstance() {
  return Singleton<CZubReferencedProfile>();
}

CZubElementConformsToProfileInterface* PROVIDER_CreateZubElementConformsToProfileInstance() {
  return Singleton<CZubElementConformsToProfile>();
}
