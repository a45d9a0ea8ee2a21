// adapter.h: CreateOrModifyElementFromStoragePool on a controller's storage
// configuration service, as a client that knows pools (not disks) calls it,
// done with the library's own methods: the pool's GetAvailableExtents gives
// the free disks, the adapter picks some (PickDisks), and the service's
// CreateOrModifyElementFromElements creates the volume; its return value and
// outputs are the adapter's. A modification (TheElement given) goes to
// CreateOrModifyElementFromElements unchanged, with no disk added.
// The adapter is offered only for a controller that has a pool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/view/view.h"

namespace zubview {

// The method and the class it is added to.
extern const char* const kAdapterMethod;   // "CreateOrModifyElementFromStoragePool"
extern const char* const kAdapterClass;    // "ZUB_StorageConfigurationService"
// The return value when no choice of free disks reaches Size for the level.
constexpr uint64_t kSizeNotSupported = 4097;

// The pool of the service's controller (its record), or null: then the
// adapter is not offered for that service.
const Json* PoolOfService(Source& source, const Json& service);

// The disks to create a volume of `level` and at least `size` bytes from,
// out of `freeDisks` (extent records): the fewest that reach it. The disks
// are taken largest first (equal sizes in the library's order), n of them
// giving DataDisks(level, n) × the smallest of them; n grows from the
// level's fewest until that reaches `size` (size 0: the fewest the level
// takes). Empty when no n does; *largest then holds the largest size any n
// reaches.
std::vector<Json> PickDisks(const std::vector<Json>& freeDisks, const std::string& level, uint64_t size,
                            uint64_t* largest);

// The call's parameters, as reference texts of the library and numbers.
struct PoolRequest {
  std::string elementName;
  uint64_t elementType = 2;
  std::string goal;        // a storage setting
  std::optional<uint64_t> size;
  std::string inPool;      // empty: the pool of the service's controller
  std::string theElement;  // empty: create
};

struct PoolOutcome {
  uint64_t returnValue = 4;
  std::optional<uint64_t> size;  // the volume's size, or the largest reachable (4097)
  std::string theElement;        // the new volume's reference text
  std::vector<std::string> disks;  // the extents picked (reference texts)
};

// Runs the adapter on the service (its record). Throws std::invalid_argument
// for what the request cannot mean (a goal or pool that names nothing of the
// service's controller); the library's own refusals come back in returnValue.
PoolOutcome CreateFromPool(Source& source, const Json& service, const PoolRequest& request);

}  // namespace zubview
