// profiles.h: the records a host receives and the factories it calls for the
// registered profiles, software identities and indication filters.
// A record is copied out of the library by its class's GetData; a factory
// returns the class's one object. Each class's contract (what Update reads
// and returns, what its methods do) is written at its header in classes/.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

// classes/profiles/indication_filter.h
struct ZUBPROV_API stZUB_IndicationFilter {
  CZubString Name;
  CZubString SystemName;               // the host's computer name
  CZubString SystemCreationClassName;  // "ZUB_ComputerSystem"
  CZubString CreationClassName;        // "ZUB_IndicationFilter"
  CZubString IndicationClassName;      // the class the query selects
  CZubString Description;
  CZubString Query;
  CZubString QueryLanguage;            // "WQL"
  CZubString ElementName;
  CArrayT<CZubString> SourceNamespaces;  // one path: the host and its namespace, no keys

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubIndicationFilterInterface* PROVIDER_CreateZubIndicationFilterInstance();

// classes/profiles/registered_profile.h
struct ZUBPROV_API stZUB_RegisteredProfile {
  CZubString InstanceID;                  // the table's prefix and the entry's index
  uint64_t RegisteredOrganization = 0;    // 2 DMTF, 11 SNIA
  CZubString OtherRegisteredOrganization; // "NULL"
  CZubString RegisteredName;
  CZubString RegisteredVersion;
  CZubString ElementName;
  CArrayT<uint64_t> AdvertiseTypes;       // 3

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ReferencedProfile {
  CZubString Antecedent;  // the referenced profile
  CZubString Dependent;   // the Host Hardware RAID Controller profile

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ElementConformsToProfile {
  CZubString ManagedElement;      // the port controller
  CZubString ConformantStandard;  // the Host Hardware RAID Controller profile

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubRegisteredProfileInterface* PROVIDER_CreateZubRegisteredProfileInstance();

ZUB_FACTORY CZubReferencedProfileInterface* PROVIDER_CreateZubReferencedProfileInstance();

ZUB_FACTORY CZubElementConformsToProfileInterface* PROVIDER_CreateZubElementConformsToProfileInstance();

// classes/profiles/software_identity.h
struct ZUBPROV_API stZUB_SoftwareIdentity {
  CZubString InstanceID;
  uint8_t IsEntity = 0;                     // 1
  uint64_t MajorVersion = 0;                // the version's four numbers (0 when unknown)
  uint64_t MinorVersion = 0;
  uint64_t RevisionNumber = 0;
  uint64_t BuildNumber = 0;
  uint64_t LargeBuildNumber = 0;            // the fourth number again
  uint8_t IsLargeBuildNumber = 0;           // 1
  CZubString VersionString;
  CArrayT<CZubString> TargetOperatingSystems;  // "Refer to SoftwareIdentity.TargetOSTypes field"
  CZubString Manufacturer;                  // "Corvo Corporation"
  CArrayT<CZubString> Languages;            // "en"
  CArrayT<uint64_t> Classifications;        // 2 driver, 5 provider, 9 middleware
  CArrayT<uint64_t> TargetOSTypes;          // 103, 105
  CZubString ElementName;
  CZubString Name;                          // as ElementName

  static const RecordDesc& Describe();
};

struct ZUBPROV_API stZUB_ElementSoftwareIdentity {
  CZubString Antecedent;                    // the computer system
  CZubString Dependent;                     // the software identity
  CArrayT<uint64_t> ElementSoftwareStatus;  // 6

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubSoftwareIdentityInterface* PROVIDER_CreateZubSoftwareIdentityInstance();

ZUB_FACTORY CZubElementSoftwareIdentityInterface* PROVIDER_CreateZubElementSoftwareIdentityInstance();
