// rules.cpp: the view's tables. One table per class, each row a property,
// its CIM type and its rule (in words and in code); the view's own classes
// also say which instances they have. docs/client-view.md explains them.
#include <algorithm>
#include <set>

#include "host/view/records.h"

namespace zubview {
namespace {

constexpr const char* kInterop = "root/interop";
constexpr const char* kClassNs = "root/corvo_zub";
// The block size the volumes and disks are counted in. The records give
// sizes in bytes and no sector size; 512 is assumed (weak).
constexpr uint64_t kBlockSize = 512;

Json Field(const Json& row, const char* name) {
  auto it = row.find(name);
  return it == row.end() ? Json() : *it;
}

// ---- the records' joins ---------------------------------------------------------

// The worst HealthState among the volumes of a controller; 5 without any.
uint64_t WorstVolumeHealth(Source& source, const std::string& controllerHandle) {
  uint64_t worst = 5;
  for (const Json& v : source.Records("ZUB_StorageVolume")) {
    if (Text(v, "ControllerHandle") != controllerHandle) continue;
    worst = std::max(worst, Unsigned(v, "HealthState"));
  }
  return worst;
}

bool IsDriver(const Json& identity) {
  const Json classes = Field(identity, "Classifications");
  return classes.is_array() && std::find(classes.begin(), classes.end(), Json(2)) != classes.end();
}

// Every (from, to) pair a library association holds, as the library writes them.
std::set<std::pair<std::string, std::string>> LibraryLinks(Source& source, std::string_view cls, const char* from,
                                                           const char* to) {
  std::set<std::pair<std::string, std::string>> out;
  for (const Json& link : source.Records(cls)) out.emplace(Text(link, from), Text(link, to));
  return out;
}

// ---- ZUB_ComputerSystem -----------------------------------------------------------

const Rule kSystemRules[] = {
    {"ElementName", "string", "the controller's name (Name)",
     [](const Json& cs, Source&) -> Json { return Text(cs, "Name"); }},
    {"HealthState", "uint16",
     "the worst HealthState of the controller's volumes (same ControllerHandle); 5 (OK) when it has none. "
     "The records hold no health of the controller itself",
     [](const Json& cs, Source& s) -> Json { return WorstVolumeHealth(s, Text(cs, "ControllerHandle")); }, true},
    {"OperationalStatus", "uint16[]", "HealthState by the volumes' table: 5 {2 OK}, 10 {3 Degraded}, 20 and 30 "
     "{6 Error}, else {0 Unknown}",
     [](const Json& cs, Source& s) -> Json {
       return OperationalStatusOfHealth(WorstVolumeHealth(s, Text(cs, "ControllerHandle")));
     }, true},
    {"IdentifyingDescriptions", "string[]", "{\"Controller name\", \"Controller address\"}, what "
     "OtherIdentifyingInfo holds",
     [](const Json&, Source&) -> Json { return Json::array({"Controller name", "Controller address"}); }},
    {"OtherIdentifyingInfo", "string[]",
     "{Name, Address of the controller's port controller (InstanceID = ControllerHandle)}: where the card "
     "sits, not a serial number, which the records do not have",
     [](const Json& cs, Source& s) -> Json {
       const Json* port = FindRecord(s, "ZUB_PortController", "InstanceID", Text(cs, "ControllerHandle"));
       return Json::array({Text(cs, "Name"), port ? Text(*port, "Address") : std::string()});
     }, true},
};

// ---- ZUB_StoragePool ----------------------------------------------------------------

const Rule kPoolRules[] = {
    {"TotalManagedSpace", "uint64",
     "AvailableSpace: the pool holds only the controller's free, healthy disks, so all it manages is free",
     [](const Json& pool, Source&) -> Json { return Unsigned(pool, "AvailableSpace"); }, true},
    {"RemainingManagedSpace", "uint64", "AvailableSpace (the sum of the free, healthy disks' DiskSize)",
     [](const Json& pool, Source&) -> Json { return Unsigned(pool, "AvailableSpace"); }},
    {"HealthState", "uint16", "the record's health value (FixedValue1, 5: a pool is made of healthy disks only)",
     [](const Json& pool, Source&) -> Json { return Unsigned(pool, "FixedValue1"); }},
    {"OperationalStatus", "uint16[]", "HealthState by the volumes' table (5 gives {2 OK})",
     [](const Json& pool, Source&) -> Json { return OperationalStatusOfHealth(Unsigned(pool, "FixedValue1")); }},
    {"Usage", "uint16", "2 (Unrestricted): a constant, the records say nothing of a pool's use",
     [](const Json&, Source&) -> Json { return 2; }, true},
};

// ---- ZUB_StorageVolume ----------------------------------------------------------------

const Rule kVolumeRules[] = {
    {"BlockSize", "uint64", "512: the records give no sector size",
     [](const Json&, Source&) -> Json { return kBlockSize; }, true},
    {"NumberOfBlocks", "uint64", "VolumeSize (bytes) / BlockSize",
     [](const Json& v, Source&) -> Json { return Unsigned(v, "VolumeSize") / kBlockSize; }},
    {"ConsumableBlocks", "uint64", "NumberOfBlocks: the whole volume is usable",
     [](const Json& v, Source&) -> Json { return Unsigned(v, "VolumeSize") / kBlockSize; }},
    {"OperationalStatus", "uint16[]", "HealthState by the volumes' table: 5 {2 OK}, 10 {3 Degraded}, 20 and 30 "
     "{6 Error}, else {0 Unknown}",
     [](const Json& v, Source&) -> Json { return OperationalStatusOfHealth(Unsigned(v, "HealthState")); }},
    {"Access", "uint16", "3 (Read/Write): the RAID stack has no read-only volume",
     [](const Json&, Source&) -> Json { return 3; }},
    {"Primordial", "boolean", "false: a volume is made from a pool",
     [](const Json&, Source&) -> Json { return false; }},
    {"ExtentStripeLength", "uint64", "NumberOfDisks (the member disks)",
     [](const Json& v, Source&) -> Json { return Unsigned(v, "NumberOfDisks"); }},
    {"UserDataStripeDepth", "uint64", "StripSize (bytes)",
     [](const Json& v, Source&) -> Json { return Unsigned(v, "StripSize"); }},
    {"ParityLayout", "uint16", "2 (Rotated Parity) for RAID5 and RAID6; NULL for a level without parity",
     [](const Json& v, Source&) -> Json {
       const std::string level = Text(v, "RaidLevel");
       return level == "RAID5" || level == "RAID6" ? Json(2) : Json();
     }},
};

// ---- ZUB_HostDiskDrive and ZUB_HostMediaPresent ------------------------------------------

// The drive's interconnect from the protocol of the logical port attached
// to the disk (AttachedHandle = EndDeviceHandle): SATA (1) and STP (3) give
// 4 SATA, SAS (2) and SSP (4) give 5 SAS; NULL for a disk without a port.
Json InterconnectOf(const Json& extent, Source& source) {
  for (const char* cls : {"ZUB_ATALogicalPort", "ZUB_SCSILogicalPort"}) {
    const Json* port = FindRecord(source, cls, "AttachedHandle", Text(extent, "EndDeviceHandle"));
    if (!port || Text(*port, "ControllerHandle") != Text(extent, "ControllerHandle")) continue;
    switch (Unsigned(*port, "Protocol")) {
      case 1:
      case 3: return 4;
      case 2:
      case 4: return 5;
    }
  }
  return Json();
}

// {"extent", "system"}: each disk extent whose controller has a system.
std::vector<Json> DiskRows(Source& source) {
  std::vector<Json> rows;
  for (const Json& extent : source.Records("ZUB_StorageExtentDisk")) {
    if (const Json* system = SystemOf(source, Text(extent, "ControllerHandle")))
      rows.push_back({{"extent", extent}, {"system", *system}});
  }
  return rows;
}

const Rule kDriveRules[] = {
    {"CreationClassName", "string", "\"ZUB_HostDiskDrive\"", [](const Json&, Source&) -> Json { return kDriveClass; }},
    {"DeviceID", "string", "the extent's DeviceID (the disk's handle)",
     [](const Json& r, Source&) -> Json { return Text(r["extent"], "DeviceID"); }},
    {"SystemCreationClassName", "string", "the CreationClassName of the controller's system",
     [](const Json& r, Source&) -> Json { return Text(r["system"], "CreationClassName"); }},
    {"SystemName", "string", "the Name of the controller's system",
     [](const Json& r, Source&) -> Json { return Text(r["system"], "Name"); }},
    {"Name", "string", "the extent's SerialNumber",
     [](const Json& r, Source&) -> Json { return Text(r["extent"], "SerialNumber"); }},
    {"ElementName", "string", "the extent's Model",
     [](const Json& r, Source&) -> Json { return Text(r["extent"], "Model"); }},
    {"HealthState", "uint16", "from the extent's DiskState: 6 normal 5 (OK), 4 failure predicted 10 "
     "(Degraded/Warning), 3 failed 25 (Critical failure), else 0 (Unknown)",
     [](const Json& r, Source&) -> Json { return HealthOfDiskState(Signed(r["extent"], "DiskState")); }},
    {"OperationalStatus", "uint16[]", "from the extent's DiskState: 6 {2 OK}, 4 {5 Predictive Failure}, "
     "3 {6 Error}, else {0 Unknown}",
     [](const Json& r, Source&) -> Json {
       switch (Signed(r["extent"], "DiskState")) {
         case 6: return Json::array({2});
         case 4: return Json::array({5});
         case 3: return Json::array({6});
       }
       return Json::array({0});
     }},
    {"InterconnectType", "uint16", "from the protocol of the logical port attached to the disk (AttachedHandle = "
     "EndDeviceHandle): SATA and STP 4 (SATA), SAS and SSP 5 (SAS); NULL without a port",
     [](const Json& r, Source& s) -> Json { return InterconnectOf(r["extent"], s); }},
};

const Rule kMediaPresentRules[] = {
    {"Antecedent", "CIM_MediaAccessDevice ref", "the drive of the disk",
     [](const Json& r, Source& s) -> Json { return DriveRef(s, r["extent"], r["system"]); }},
    {"Dependent", "CIM_StorageExtent ref", "the disk extent",
     [](const Json& r, Source& s) -> Json { return ExtentRef(s, r["extent"]); }},
    {"FixedMedia", "boolean", "true: a disk's medium is part of the drive",
     [](const Json&, Source&) -> Json { return true; }},
};

// ---- ZUB_HostSystemDevice ---------------------------------------------------------------

// {"system", "part"}: the drive and the extent of each disk, and each volume
// the library's ZUB_SystemDevice does not join to its system.
std::vector<Json> SystemDeviceRows(Source& source) {
  std::vector<Json> rows;
  for (const Json& disk : DiskRows(source)) {
    rows.push_back({{"system", disk["system"]}, {"part", DriveRef(source, disk["extent"], disk["system"])}});
    rows.push_back({{"system", disk["system"]}, {"part", ExtentRef(source, disk["extent"])}});
  }
  const auto joined = LibraryLinks(source, "ZUB_SystemDevice", "GroupComponent", "PartComponent");
  for (const Json& volume : source.Records("ZUB_StorageVolume")) {
    const Json* system = SystemOf(source, Text(volume, "ControllerHandle"));
    if (!system) continue;
    std::string part = VolumeRef(source, volume);
    if (!joined.count({SystemRef(source, *system), part})) rows.push_back({{"system", *system}, {"part", part}});
  }
  return rows;
}

const Rule kSystemDeviceRules[] = {
    {"GroupComponent", "CIM_System ref", "the controller's system",
     [](const Json& r, Source& s) -> Json { return SystemRef(s, r["system"]); }},
    {"PartComponent", "CIM_LogicalDevice ref", "the drive, the disk extent, or a volume the library leaves out",
     [](const Json& r, Source&) -> Json { return r["part"]; }},
};

// ---- ZUB_HostedStoragePool -------------------------------------------------------------

std::vector<Json> PoolRows(Source& source) {
  std::vector<Json> rows;
  for (const Json& pool : source.Records("ZUB_StoragePool")) {
    if (const Json* system = SystemOf(source, Text(pool, "ControllerHandle")))
      rows.push_back({{"system", *system}, {"pool", pool}});
  }
  return rows;
}

const Rule kHostedPoolRules[] = {
    {"GroupComponent", "CIM_System ref", "the system of the pool's controller (ControllerHandle)",
     [](const Json& r, Source& s) -> Json { return SystemRef(s, r["system"]); }},
    {"PartComponent", "CIM_StoragePool ref", "the pool",
     [](const Json& r, Source& s) -> Json { return PoolRef(s, r["pool"]); }},
};

// ---- ZUB_HostedServiceOfSystem ------------------------------------------------------------

// {"system", "service"}: each configuration service of a controller that the
// library's ZUB_HostedService does not join to its system.
std::vector<Json> ServiceRows(Source& source) {
  std::vector<Json> rows;
  const auto joined = LibraryLinks(source, "ZUB_HostedService", "Antecedent", "Dependent");
  for (const char* cls : {"ZUB_StorageConfigurationService", "ZUB_SpareConfigurationService"}) {
    for (const Json& service : source.Records(cls)) {
      const Json* system = SystemOf(source, Text(service, "ControllerHandle"));
      if (!system) continue;
      std::string ref = RefText(source, cls,
                                {{"CreationClassName", Text(service, "CreationClassName")},
                                 {"Name", Text(service, "Name")},
                                 {"SystemCreationClassName", Text(service, "SystemCreationClassName")},
                                 {"SystemName", Text(service, "SystemName")}});
      if (!joined.count({SystemRef(source, *system), ref})) rows.push_back({{"system", *system}, {"service", ref}});
    }
  }
  return rows;
}

const Rule kHostedServiceRules[] = {
    {"Antecedent", "CIM_System ref", "the system of the service's controller (ControllerHandle)",
     [](const Json& r, Source& s) -> Json { return SystemRef(s, r["system"]); }},
    {"Dependent", "CIM_Service ref", "a configuration service the library's ZUB_HostedService leaves out",
     [](const Json& r, Source&) -> Json { return r["service"]; }},
};

// ---- ZUB_HostElementConformsToProfile ------------------------------------------------------

std::vector<Json> ConformingRows(Source& source) {
  std::vector<Json> rows;
  const Json* profile = FindRecord(source, "ZUB_RegisteredProfile", "RegisteredName", "Host Hardware RAID Controller");
  if (!profile) return rows;
  for (const Json& system : source.Records("ZUB_ComputerSystem")) rows.push_back({{"system", system}, {"profile", *profile}});
  return rows;
}

const Rule kConformsRules[] = {
    {"ConformantStandard", "CIM_RegisteredProfile ref", "the Host Hardware RAID Controller profile (root/interop)",
     [](const Json& r, Source& s) -> Json {
       return RefText(s, "ZUB_RegisteredProfile", {{"InstanceID", Text(r["profile"], "InstanceID")}}, "root\\Interop");
     }},
    {"ManagedElement", "CIM_ManagedElement ref", "each ZUB_ComputerSystem (root/corvo_zub)",
     [](const Json& r, Source& s) -> Json { return SystemRef(s, r["system"]); }},
};

// ---- ZUB_HostInstalledSoftwareIdentity ------------------------------------------------------

// Per system: its own driver first (a driver identity, Classifications 2,
// whose InstanceID is the controller's name), then every identity that is no
// controller's driver (the provider, the middleware).
std::vector<Json> SoftwareRows(Source& source) {
  std::vector<Json> rows;
  const std::vector<Json>& identities = source.Records("ZUB_SoftwareIdentity");
  for (const Json& system : source.Records("ZUB_ComputerSystem")) {
    for (const Json& id : identities) {
      if (IsDriver(id) && Text(id, "InstanceID") == Text(system, "Name")) {
        rows.push_back({{"system", system}, {"identity", id}});
        break;
      }
    }
    for (const Json& id : identities) {
      if (!IsDriver(id)) rows.push_back({{"system", system}, {"identity", id}});
    }
  }
  return rows;
}

const Rule kInstalledRules[] = {
    {"System", "CIM_System ref", "the controller's system",
     [](const Json& r, Source& s) -> Json { return SystemRef(s, r["system"]); }},
    {"InstalledSoftware", "CIM_SoftwareIdentity ref",
     "first the system's own driver (Classifications 2, InstanceID = the system's Name), then the provider and "
     "the middleware",
     [](const Json& r, Source& s) -> Json {
       return RefText(s, "ZUB_SoftwareIdentity", {{"InstanceID", Text(r["identity"], "InstanceID")}});
     }},
};

const DerivedClass kDerived[] = {
    {"ZUB_ComputerSystem", kSystemRules},
    {"ZUB_StoragePool", kPoolRules},
    {"ZUB_StorageVolume", kVolumeRules},
};

const ViewClass kViewClasses[] = {
    {kDriveClass, "CIM_DiskDrive", kClassNs, "A disk of a RAID controller as a drive, one per disk extent",
     "one per disk extent whose controller has a system", DiskRows, kDriveRules},
    {"ZUB_HostMediaPresent", "CIM_MediaPresent", kClassNs, "A disk's drive and its disk extent",
     "one per drive", DiskRows, kMediaPresentRules},
    {"ZUB_HostSystemDevice", "CIM_SystemDevice", kClassNs,
     "A controller's system and its disks' drives and extents (and a volume the library does not join)",
     "two per disk (its drive, its extent), and one per volume missing from ZUB_SystemDevice", SystemDeviceRows,
     kSystemDeviceRules},
    {"ZUB_HostedStoragePool", "CIM_HostedStoragePool", kClassNs, "A controller's system and its pool",
     "one per pool whose controller has a system (no pool is added)", PoolRows, kHostedPoolRules},
    {"ZUB_HostHostedService", "CIM_HostedService", kClassNs,
     "A controller's system and a configuration service the library does not join to it",
     "one per configuration service missing from ZUB_HostedService", ServiceRows, kHostedServiceRules},
    {"ZUB_HostInstalledSoftwareIdentity", "CIM_InstalledSoftwareIdentity", kClassNs,
     "A controller's system and its software, its own driver first",
     "per system: its driver, then each identity that is no driver", SoftwareRows, kInstalledRules},
    {"ZUB_HostElementConformsToProfile", "CIM_ElementConformsToProfile", kInterop,
     "A controller's system and the Host Hardware RAID Controller profile it conforms to",
     "one per ZUB_ComputerSystem", ConformingRows, kConformsRules},
};

}  // namespace

std::span<const DerivedClass> DerivedClasses() { return kDerived; }
std::span<const ViewClass> ViewClasses() { return kViewClasses; }

}  // namespace zubview
