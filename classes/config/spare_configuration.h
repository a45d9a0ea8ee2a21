// spare_configuration.h: the disk-sparing service of every port controller
// and its fixed capabilities.
//
// ZUB_SpareConfigurationService: one service per port controller, in that
// list's order. The controllers of each kind are numbered separately (AHCI
// 0, 1, ... and DOX 0, 1, ...); the number ends the service's Name and
// Caption and the capabilities' InstanceID. Its methods:
// - GetExtents: the object paths of the service's own disks (disk extents
//   whose ControllerHandle is the service's) by Operation: 0 those that can
//   become spares (available, normal, not barred from pools), 1 the spares
//   in normal state, 2 all;
// - SetSpareExtents: marks (Operation 3) or unmarks (4) the disks named by
//   InExtents, each of which must be one of the service's disks (the same
//   keys, host and namespace; host and namespace without regard to case).
//   Every entry is tried, in order, even after one failed.
// Both work on the disk-extent list as the host last built it.
//
// ZUB_SpareConfigurationCapabilities: one fixed description per port
// controller, numbered the same way.
//
// Update (both): 0 listed; 1 the port-controller object is missing, or a
// controller is neither AHCI nor DOX (the records before it stay, the class
// is not marked updated); with no port controller the service returns 4,
// the capabilities 0, both with an empty list. Reads ZUB_PortController.
//
// Methods: status 11 for a null record. GetExtents: 1 for an Operation
// other than 0, 1, 2 (nothing written), for a service that matches no
// instance, and when the disk list or the host's names are missing; else 0
// with ReturnValue 0. SetSpareExtents: 1 for an Operation other than 3, 4
// (nothing written) or a service that matches no instance; 11 with
// ReturnValue 5 for rejected input (no entry, an entry that is not one of the
// service's disks or has no DeviceID key); the status of GetExtents when the
// service's disks cannot be listed; otherwise every disk is marked
// or unmarked: status 0 and ReturnValue 0 when all succeeded, 8 with
// ReturnValue 6 when the middleware refused one (its status 18 or 23), 1
// for any other failure (ReturnValue as the last refusal or success left
// it). The result is the last failing disk's.
#pragma once

#include "zubprov/config.h"
#include "framework/record_desc.h"

// The parameters a client may pass and the service does not read (Job,
// InstanceGroup, RedundancySet) are accepted and left as they are.

// GetExtents operations and SetSpareExtents operations.
enum SpareOperation : uint32_t {
  kSpareCandidates = 0,
  kSpareDisks = 1,
  kSpareAllDisks = 2,
  kSpareMark = 3,
  kSpareUnmark = 4,
};
