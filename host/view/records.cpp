// records.cpp: reading records and writing references inside the view.
#include "host/view/records.h"

namespace zubview {

const char* const kDriveClass = "ZUB_HostDiskDrive";

std::string Text(const Json& record, const char* field) {
  auto it = record.find(field);
  return it != record.end() && it->is_string() ? it->get<std::string>() : std::string();
}

uint64_t Unsigned(const Json& record, const char* field) {
  auto it = record.find(field);
  if (it == record.end()) return 0;
  if (it->is_number_unsigned()) return it->get<uint64_t>();
  if (it->is_number_integer()) return static_cast<uint64_t>(it->get<int64_t>());
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  return 0;
}

int64_t Signed(const Json& record, const char* field) {
  auto it = record.find(field);
  if (it == record.end()) return 0;
  if (it->is_number_integer()) return it->get<int64_t>();
  return static_cast<int64_t>(Unsigned(record, field));
}

bool Flag(const Json& record, const char* field) { return Unsigned(record, field) != 0; }

const Json* FindRecord(Source& source, std::string_view cls, const char* field, const std::string& value) {
  for (const Json& record : source.Records(cls)) {
    if (Text(record, field) == value) return &record;
  }
  return nullptr;
}

const Json* SystemOf(Source& source, const std::string& controllerHandle) {
  return FindRecord(source, "ZUB_ComputerSystem", "ControllerHandle", controllerHandle);
}

namespace {

// The four keys of a logical device (volume, extent, drive).
std::string DeviceRef(const Source& source, std::string_view cls, const std::string& creationClass,
                      const std::string& deviceId, const std::string& systemClass, const std::string& systemName) {
  return RefText(source, cls,
                 {{"CreationClassName", creationClass},
                  {"DeviceID", deviceId},
                  {"SystemCreationClassName", systemClass},
                  {"SystemName", systemName}});
}

}  // namespace

std::string SystemRef(const Source& source, const Json& system) {
  return RefText(source, "ZUB_ComputerSystem",
                 {{"CreationClassName", Text(system, "CreationClassName")}, {"Name", Text(system, "Name")}});
}

std::string VolumeRef(const Source& source, const Json& v) {
  return DeviceRef(source, "ZUB_StorageVolume", Text(v, "CreationClassName"), Text(v, "DeviceID"),
                   Text(v, "SystemCreationClassName"), Text(v, "SystemName"));
}

std::string ExtentRef(const Source& source, const Json& e) {
  return DeviceRef(source, "ZUB_StorageExtentDisk", Text(e, "CreationClassName"), Text(e, "DeviceID"),
                   Text(e, "SystemCreationClassName"), Text(e, "SystemName"));
}

std::string PoolRef(const Source& source, const Json& pool) {
  return RefText(source, "ZUB_StoragePool", {{"InstanceID", Text(pool, "InstanceID")}});
}

// The drive is a device of the system that hosts the disk: its system keys
// are the system's, its DeviceID the extent's.
std::string DriveRef(const Source& source, const Json& extent, const Json& system) {
  return DeviceRef(source, kDriveClass, kDriveClass, Text(extent, "DeviceID"), Text(system, "CreationClassName"),
                   Text(system, "Name"));
}

Json OperationalStatusOfHealth(uint64_t health) {
  switch (health) {
    case 5: return Json::array({2});
    case 10: return Json::array({3});
    case 20:
    case 30: return Json::array({6});
  }
  return Json::array({0});
}

uint64_t HealthOfDiskState(int64_t state) {
  switch (state) {
    case 6: return 5;
    case 4: return 10;
    case 3: return 25;
  }
  return 0;
}

namespace {

// The RAID levels as the RAID stack sizes them: fewest members, whether a
// level takes only an even count (mirrored pairs), members that hold no
// data (parity), and the largest count (0: any).
struct LevelSize {
  const char* name;
  uint64_t minDisks;
  uint64_t maxDisks;
  bool mirrored;
  uint64_t parityDisks;
};
constexpr LevelSize kLevelSizes[] = {
    {"RAID0", 2, 0, false, 0}, {"RAID1", 2, 2, true, 0}, {"RAID10", 4, 0, true, 0},
    {"RAID5", 3, 0, false, 1}, {"RAID6", 4, 0, false, 2},
};

}  // namespace

uint64_t DataDisks(const std::string& level, uint64_t members) {
  for (const LevelSize& l : kLevelSizes) {
    if (level != l.name) continue;
    if (members < l.minDisks || (l.maxDisks && members > l.maxDisks) || (l.mirrored && members % 2)) return 0;
    return l.mirrored ? members / 2 : members - l.parityDisks;
  }
  return 0;
}

}  // namespace zubview
