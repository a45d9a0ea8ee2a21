// requests.cpp: the request path of every host.
#include "host/kit/requests.h"

namespace zubcim {
namespace {
constexpr int kRetriesOfAFailedUpdate = 2;
}  // namespace

Requests& Requests::Process() {
  static Requests* const requests = new Requests();  // outlives the static objects that may still ask
  return *requests;
}

CProviderInterfaceBase* Requests::Object(const ClassDesc& cls, FirstRequest* first) {
  *first = FirstRequest{PROVIDER_SUCCESS, false};
  CProviderInterfaceBase* object = cls.object();
  if (object && m_initialized.insert(&cls).second) *first = InitializeForFirstRequest(cls, *object);
  return object;
}

PROVIDER_STATUS Requests::Read(const ClassDesc& cls, const RecordVisitor& visit) {
  const uint64_t arrived = ++m_clock;
  ++m_waiting;
  std::unique_lock<std::mutex> lock(m_mutex);
  --m_waiting;
  FirstRequest first;
  CProviderInterfaceBase* object = Object(cls, &first);
  if (!object) return PROVIDER_NO_OBJECT;
  PROVIDER_STATUS status = first.status;
  if (!first.listRead) {
    LastUpdate& last = m_lastUpdate[&cls];
    if (last.began > arrived) {
      // Another request's Update began after this one arrived (it waited
      // meanwhile): that list is as fresh as one this request would build.
      status = last.status;
    } else {
      const uint64_t began = ++m_clock;
      status = object->Update();
      for (int retry = 0; retry < kRetriesOfAFailedUpdate && status == PROVIDER_FAILED; ++retry)
        status = object->Update();
      last = LastUpdate{began, status};
    }
  }
  // getData copies the list out of the class before its first visit: the
  // visits (a host turning records into instances, most of a read's time)
  // run on that copy, with the lock given back.
  const PROVIDER_STATUS got = cls.getData([&](const void* record) {
    if (lock.owns_lock()) lock.unlock();
    visit(record);
  });
  return status == PROVIDER_SUCCESS ? got : status;
}

PROVIDER_STATUS Requests::Call(const ClassDesc& cls, const MethodDesc& method, void* record) {
  std::lock_guard<std::mutex> lock(m_mutex);
  FirstRequest first;
  if (!Object(cls, &first)) return PROVIDER_NO_OBJECT;
  return method.invoke(record);
}

}  // namespace zubcim
