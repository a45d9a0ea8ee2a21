// requests.h: the one way a host's requests reach the library, whatever the
// front end (the command line, the WBEM server, the benchmarks).
//
// One rule for locking: each request (a class's list, a method call) runs
// alone, under one lock for the process. The library's association lists are
// rebuilt in place by Update, so two requests refreshing one class at once
// would interleave their records; and a class's Update may rebuild the
// classes it reads. What a read does with the records (a host's instances,
// JSON or XML) runs after the lock, on the copy GetData made.
//
// One rule for reading a class: its first request calls Initialize, which
// reads the list (and then that list is taken: a second read straight after
// would only cost middleware calls); every later request calls Update,
// unless an Update of the class began after the request arrived (while it
// waited for the lock): that list is as fresh as the request asks, and it
// takes it, with that Update's status. Clients reading one class at once so
// share one refresh instead of queueing one each. An
// Update that fails with 1 (the RAID stack changed under its enumeration) is
// tried twice more. GetData follows in every case, so a host shows what the
// class holds after a failed Update too.
//
// The library's objects are process-wide singletons, and so is this.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>

#include "framework/catalog.h"

namespace zubcim {

class Requests {
 public:
  // The process's one.
  static Requests& Process();

  // Reads the class as described above, then visits each record of the copy
  // GetData made, with the lock given back (visits of several reads run at
  // once). Returns Update's (or Initialize's) status, or GetData's when that
  // was 0 and GetData failed; 9 when the class's object cannot be made.
  PROVIDER_STATUS Read(const ClassDesc& cls, const RecordVisitor& visit);

  // Calls a method (or PutData) with a record of the class's type; the
  // class is initialised first on its first request. Returns the method's
  // status; 9 when the class's object cannot be made.
  PROVIDER_STATUS Call(const ClassDesc& cls, const MethodDesc& method, void* record);

  // Reads that arrived and wait for another request to end.
  uint64_t Waiting() const { return m_waiting.load(); }

 private:
  // The class's object, initialised on its first request (*first: what that
  // Initialize returned and whether it read the list). Under m_mutex.
  CProviderInterfaceBase* Object(const ClassDesc& cls, FirstRequest* first);

  struct LastUpdate {
    uint64_t began = 0;  // m_clock when the class's last Update began
    PROVIDER_STATUS status = PROVIDER_SUCCESS;
  };
  std::atomic<uint64_t> m_clock{0};  // orders arrivals and Update starts
  std::atomic<uint64_t> m_waiting{0};
  std::mutex m_mutex;
  std::set<const ClassDesc*> m_initialized;
  std::map<const ClassDesc*, LastUpdate> m_lastUpdate;  // under m_mutex
};

}  // namespace zubcim
