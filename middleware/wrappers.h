// wrappers.h: the provider's only way to enumerate middleware objects.
//
// Each wrapper opens a session, fetches every handle of its kind (optionally
// restricted to one parent: scope 2 a controller, 8 a RAID array, 4 an end
// device), fetches one record per handle into a locked list, and closes the
// session on every path. A wrapper initialises the middleware itself when
// nobody has, so every class works before or after the provider object ran.
//
// Results of Load (32-bit middleware domain): 0 success (also when there is
// nothing: the list is then left as it was and m_bLoaded stays false),
// 17 scope type not accepted, 2 scope handle missing, 12 the middleware could
// not be initialised, 1 a buffer was not allocated, 10 no volume
// (LoadVolumes), otherwise the middleware's own status.
#pragma once

#include <cstdint>

#include "framework/safe_array.h"
#include "middleware/abru2.h"

enum : SSI_STATUS {
  WRAP_NO_BUFFER = 1,
  WRAP_MISSING_ARGUMENT = 2,
  WRAP_NO_VOLUME = 10,
  WRAP_NOT_INITIALIZED = SSI_STATUS_NOT_INITIALIZED,
  WRAP_BAD_SCOPE = 17,
};

// One middleware session for the life of the object; closed by the
// destructor while the middleware counts as initialised.
class CSsiBase {
 public:
  CSsiBase() = default;
  CSsiBase(const CSsiBase&) = delete;
  CSsiBase& operator=(const CSsiBase&) = delete;
  virtual ~CSsiBase();

  // Initialises the middleware when needed, then opens the session.
  SSI_STATUS Open();
  SSI_HANDLE Session() const { return m_session; }

 private:
  SSI_HANDLE m_session = 0;
};

// Initialises the middleware unless it counts as initialised already.
// Returns 0 when usable, 12 otherwise.
SSI_STATUS EnsureMiddlewareInitialized();
// The provider's start: initialises the middleware (0 and 11, already
// initialised, both count) and whether it now counts as initialised.
bool StartMiddleware();
// The provider's end: finalises the middleware when it counts as
// initialised, and clears that.
void StopMiddleware();

// SsiGetSystemInfo, answered by the read-once store when it holds the
// answer (read_once.h); the middleware's status otherwise.
SSI_STATUS ReadSystemInfo(_SSI_SystemInfo* out);

// The common shape of the list wrappers: a locked list of records and a
// loaded flag.
template <class Record>
class CSsiListT {
 public:
  virtual ~CSsiListT() = default;
  // Whether a Load that left the list empty returned because the middleware
  // listed nothing, rather than failing. A middleware that fails the count
  // call itself also reads as "nothing": that call's status is not kept.
  static constexpr bool FoundNothing(SSI_STATUS load) { return load == SSI_STATUS_SUCCESS; }
  // Whether every record in the list was read: a record call that failed
  // (the object went between the count and its read) leaves its record
  // zero-filled, and no middleware object has handle 0.
  bool AllRead() const {
    for (const Record& r : m_list) {
      if (r.handle == 0) return false;
    }
    return true;
  }
  CSafeArrayT<Record> m_list;
  // The handle of each record of m_list, in order: also of a record that
  // could not be read (a list build names what it did not read by it).
  CArrayT<SSI_HANDLE> m_handles;
  bool m_bLoaded = false;
};

class CHostController : public CSsiListT<_SSI_ControllerInfo> {
 public:
  SSI_STATUS Load();  // always every controller
};

class CEnclosure : public CSsiListT<_SSI_EnclosureInfo> {
 public:
  SSI_STATUS Load(uint32_t scopeType, SSI_HANDLE scopeHandle);  // scopes 0, 2
};

class CEndDevices : public CSsiListT<_SSI_EndDeviceInfo> {
 public:
  SSI_STATUS Load(uint32_t scopeType, SSI_HANDLE scopeHandle);  // scopes 0, 2, 8
};

class CPhys : public CSsiListT<_SSI_PhyInfo> {
 public:
  SSI_STATUS Load(uint32_t scopeType, SSI_HANDLE scopeHandle);  // scopes 0, 1, 4
  // Copies the current record, loading every PHY first when not loaded.
  SSI_STATUS GetCurrentInfo(_SSI_PhyInfo* out);
  // Loads every PHY (session closed again), then switches the locate light.
  SSI_STATUS Locate(SSI_HANDLE phy, uint32_t on);
};

class CPorts : public CSsiListT<_SSI_PortInfo> {
 public:
  SSI_STATUS Load();  // always every port
};

class CRoutingDevice : public CSsiListT<_SSI_RoutingDeviceInfo> {
 public:
  SSI_STATUS Load(uint32_t scopeType, SSI_HANDLE scopeHandle);  // scopes 0, 2
};

// Every volume; 10 when there is none.
struct CVolumeList : CSsiListT<_SSI_VolumeInfo> {
  static constexpr bool FoundNothing(SSI_STATUS load) { return load == WRAP_NO_VOLUME; }
};
SSI_STATUS LoadVolumes(CVolumeList* list);

class CRaidInfo : public CSsiListT<SSI_HANDLE> {
 public:
  // A RAID level record followed by the level code it describes.
  struct _stSupportedRaidLevelInfo {
    _SSI_RaidLevelInfo info;
    uint32_t raidLevel;
  };

  SSI_STATUS Load();
  // raidInfo 0 means the handle at the list's cursor.
  SSI_STATUS GetRaidInfo(_SSI_RaidInfo* out, SSI_HANDLE raidInfo);
  SSI_STATUS GetRaidLevelInfo(uint32_t level, _SSI_RaidLevelInfo* out, SSI_HANDLE raidInfo);
  // The supported levels among 1, 2, 4, 8, 16, in that order.
  SSI_STATUS GetSupportedRaidLevels(CArrayT<_stSupportedRaidLevelInfo>* list, SSI_HANDLE raidInfo);
};
static_assert(sizeof(CRaidInfo::_stSupportedRaidLevelInfo) == 40);
