// status.h: the result of every exported operation, and the one exception the
// framework throws internally.
#pragma once

#include <cstdint>

enum PROVIDER_STATUS : int32_t {
  PROVIDER_SUCCESS = 0,
  PROVIDER_FAILED = 1,            // a middleware call failed or an object was not obtained
  PROVIDER_NOT_FOUND = 4,         // nothing to report / the item does not exist
  PROVIDER_NOT_SUPPORTED = 5,     // the object does not provide this operation
  PROVIDER_NOT_READY = 7,         // a class this one depends on is not initialised
  PROVIDER_REQUEST_REFUSED = 8,   // the middleware refused the change
  PROVIDER_NO_OBJECT = 9,         // a provider object this operation needs was not created
  PROVIDER_INVALID_PARAMETER = 11 // a required pointer was null; a bad string position
};

// Thrown by CZubStringT::Find (4), CZubStringT::Mid (11) and
// CWbemPropertyList::GetPropertyValue (4). Four bytes, copied bytewise.
struct CZubException {
  PROVIDER_STATUS m_status;
};
static_assert(sizeof(CZubException) == 4);
