// raid_info.cpp: CRaidInfo, the list of RAID-information handles (one per
// controller) and the queries made with one of them: the RAID information
// record, one RAID level's record, and the supported levels.
//
// The list is filled by the same algorithm as every other wrapper
// (list_loader.h), appending the handles themselves; the settings and
// capabilities classes read the records through these queries.
#include "middleware/list_loader.h"
#include "middleware/wrappers.h"

namespace {

// SsiGetRaidInfoHandles has no scope; the loader's scope arguments are
// always 0 here and dropped.
SSI_STATUS RaidInfoHandles(SSI_HANDLE session, uint32_t, SSI_HANDLE, SSI_HANDLE* handles, uint32_t* count) {
  return SsiGetRaidInfoHandles(session, handles, count);
}

// The shared frame of GetRaidInfo and GetRaidLevelInfo: make sure the list
// is there, pick the handle, and run one call inside a session of its own,
// unless the read-once store holds its answer (keyed by the query's call,
// the handle and `level`).
template <class Record, class Query>
SSI_STATUS QueryRaidInfo(CRaidInfo& raid, SSI_HANDLE raidInfo, uintptr_t call, uint32_t level, Record* out,
                         Query query) {
  if (!raid.m_bLoaded) {
    if (SSI_STATUS s = raid.Load(); s != SSI_STATUS_SUCCESS) return s;
  }
  zubmw::CheckOncePerRequest();
  const zubmw::Reading reading;
  SSI_HANDLE h = raidInfo;
  if (h == 0) {
    const SSI_HANDLE* current = raid.m_list.GetCurrent();
    // An empty list leaves handle 0, which the middleware refuses itself.
    h = current ? *current : 0;
  }
  return reading.Read(zubmw::ReadKey{call, h, level}, out, [&]() -> SSI_STATUS {
    CSsiBase session;
    if (SSI_STATUS s = session.Open(); s != SSI_STATUS_SUCCESS) return s;
    return query(session.Session(), h);
  });
}

}  // namespace

SSI_STATUS CRaidInfo::Load() {
  return zubmw::LoadHandles(RaidInfoHandles, zubmw::kNoScope, SSI_SCOPE_ALL, 0, SSI_STATUS_SUCCESS, m_list, m_bLoaded,
                            [](const zubmw::Reading&, zubmw::LazySession&, SSI_HANDLE h) { return h; });
}

SSI_STATUS CRaidInfo::GetRaidInfo(_SSI_RaidInfo* out, SSI_HANDLE raidInfo) {
  if (out == nullptr) return WRAP_MISSING_ARGUMENT;
  return QueryRaidInfo(*this, raidInfo, zubmw::CallId(&SsiGetRaidInfo), 0, out,
                       [out](SSI_HANDLE session, SSI_HANDLE h) { return SsiGetRaidInfo(session, h, out); });
}

SSI_STATUS CRaidInfo::GetRaidLevelInfo(uint32_t level, _SSI_RaidLevelInfo* out, SSI_HANDLE raidInfo) {
  if (out == nullptr) return WRAP_MISSING_ARGUMENT;
  return QueryRaidInfo(*this, raidInfo, zubmw::CallId(&SsiGetRaidLevelInfo), level, out,
                       [level, out](SSI_HANDLE session, SSI_HANDLE h) {
    return SsiGetRaidLevelInfo(session, h, level, out);
  });
}

SSI_STATUS CRaidInfo::GetSupportedRaidLevels(CArrayT<_stSupportedRaidLevelInfo>* list, SSI_HANDLE raidInfo) {
  if (list == nullptr) return WRAP_MISSING_ARGUMENT;
  list->RemoveAll();
  static constexpr uint32_t kLevels[] = {SSI_RAID0, SSI_RAID1, SSI_RAID10, SSI_RAID5, SSI_RAID6};
  for (uint32_t level : kLevels) {
    _SSI_RaidLevelInfo info{};
    // A failure ends the walk but keeps the levels found so far: the caller
    // decides what a partial answer is worth.
    if (SSI_STATUS s = GetRaidLevelInfo(level, &info, raidInfo); s != SSI_STATUS_SUCCESS) return s;
    if (info.supported != 0) list->Add(_stSupportedRaidLevelInfo{info, level});
  }
  return SSI_STATUS_SUCCESS;
}
