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
  std::lock_guard<std::mutex> lock(m_mutex);
  FirstRequest first;
  CProviderInterfaceBase* object = Object(cls, &first);
  if (!object) return PROVIDER_NO_OBJECT;
  PROVIDER_STATUS status = first.status;
  if (!first.listRead) {
    status = object->Update();
    for (int retry = 0; retry < kRetriesOfAFailedUpdate && status == PROVIDER_FAILED; ++retry)
      status = object->Update();
  }
  const PROVIDER_STATUS got = cls.getData(visit);
  return status == PROVIDER_SUCCESS ? got : status;
}

PROVIDER_STATUS Requests::Call(const ClassDesc& cls, const MethodDesc& method, void* record) {
  std::lock_guard<std::mutex> lock(m_mutex);
  FirstRequest first;
  if (!Object(cls, &first)) return PROVIDER_NO_OBJECT;
  return method.invoke(record);
}

}  // namespace zubcim
