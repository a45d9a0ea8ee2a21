// storage_pool.h: ZUB_StoragePool, the unallocated capacity of each port
// controller as one primordial pool ("Unallocated Storage Pool"), and the
// size queries a client makes before creating a volume. A pool's key is its
// InstanceID, the controller handle in decimal; its disks are the disk
// extents of that controller that are available for a pool.
//
// Update: 0 (also when no pool results); 4 no port controller or no disk
// extent; 9 a class it reads cannot be created. The list is replaced in one
// step; the event monitor compares its own rebuild, made from the
// controllers and disks rebuilt inside it, with the snapshot it keeps
// (framework/event_register.h): the pool of a controller whose disks that
// rebuild did not all read is left out of that comparison. Reads
// ZUB_PortController and ZUB_StorageExtentDisk.
//
// Methods (the record names the pool by InstanceID):
//   GetSupportedSizes: ReturnValue 2 and status 0 for an element type other
//     than 2; status 1 with ReturnValue 2 when the pool or its disks are not
//     found; else Sizes gets s, 2s, ... ns (s the smallest of n sizes), 0.
//   GetSupportedSizeRange: the same checks; minimum and divisor s, maximum ns.
//   GetAvailableExtents: always status 0; ReturnValue 0, 5 pool not found,
//     4 no pool, no disk-extent object or no disk.
#pragma once

#include <vector>

#include "zubprov/storage.h"
#include "framework/record_desc.h"

struct stZUB_StorageExtentDisk;

// The pools that previous → current changed, in alert order: the pools beyond
// the shorter list's count, or (equal counts) each current pool whose
// identity or space differs from the one at its position.
std::vector<const stZUB_StoragePool*> PoolChanges(const CArrayT<stZUB_StoragePool>& previous,
                                                  const CArrayT<stZUB_StoragePool>& current);

// The sizes a volume of the pool's disks may take: the DiskSize of each disk
// of `controller` available for a pool (any state), ascending.
std::vector<uint64_t> PoolDiskSizes(const CArrayT<stZUB_StorageExtentDisk>& disks, const CZubString& controller);

// The class's event side, for the event monitor's registration table
// (events/event_registry.cpp).
class CEventRegisterInterface;
CEventRegisterInterface* StoragePoolEvents();
