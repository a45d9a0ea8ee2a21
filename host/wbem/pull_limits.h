// pull_limits.h: the limits of the server's pulled enumerations, which the
// server also advertises on its CIM-XML communication mechanism.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zubwbem {

// OperationTimeout, in seconds: the default when the client sends none and
// the range it may ask for. 0 (never expire) is refused: a client that goes
// away would keep its context for ever.
constexpr uint32_t kPullDefaultTimeout = 60;
constexpr uint32_t kPullShortestTimeout = 1;
constexpr uint32_t kPullLongestTimeout = 3600;
// Open enumeration contexts at once; one more is refused with
// CIM_ERR_SERVER_LIMITS_EXCEEDED (open ones are never closed for it).
constexpr size_t kPullMostOpen = 1000;

}  // namespace zubwbem
