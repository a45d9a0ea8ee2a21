// records.h: reading the library's records (as JSON) inside the view, the
// joins its tables share, and the references they write (inside host/view
// only).
#pragma once

#include <cstdint>
#include <string>

#include "host/view/view.h"

namespace zubview {

// A field's text, number or flag; "", 0 or false when the record lacks it.
std::string Text(const Json& record, const char* field);
uint64_t Unsigned(const Json& record, const char* field);
int64_t Signed(const Json& record, const char* field);
bool Flag(const Json& record, const char* field);

// The first record of `cls` whose `field` equals `value`; null when none.
const Json* FindRecord(Source& source, std::string_view cls, const char* field, const std::string& value);
// The computer system of a controller handle.
const Json* SystemOf(Source& source, const std::string& controllerHandle);

// References to the library's instances and the view's drive.
std::string SystemRef(const Source& source, const Json& system);
std::string VolumeRef(const Source& source, const Json& volume);
std::string ExtentRef(const Source& source, const Json& extent);
std::string PoolRef(const Source& source, const Json& pool);
std::string DriveRef(const Source& source, const Json& extent, const Json& system);

// The library's volume health (HealthState) as an OperationalStatus:
// 5 OK {2}, 10 degraded {3}, 20 and 30 {6 Error}, anything else {0 Unknown}.
Json OperationalStatusOfHealth(uint64_t health);

// The disk's state (DiskState) as a drive's HealthState: 6 normal 5 (OK),
// 4 failure predicted 10 (Degraded/Warning), 3 failed 25 (Critical failure),
// anything else 0 (Unknown).
uint64_t HealthOfDiskState(int64_t state);

// Data disks of a RAID level ("RAID5") over n members, as the RAID stack
// sizes it; 0 when n members are too few (or a count the level cannot take).
uint64_t DataDisks(const std::string& level, uint64_t members);

extern const char* const kDriveClass;  // "ZUB_HostDiskDrive"

}  // namespace zubview
