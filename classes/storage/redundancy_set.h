// redundancy_set.h: spare disks as disk-sparing redundancy sets.
//
// ZUB_StorageRedundancySet: one set per AHCI or DOX port controller
// ("ZUBe:StorageRedundancySet:AHCI0", ...:DOX0, ...:DOX1, numbered per type
// in controller order); its RedundancyStatus is 2 when the controller has a
// healthy spare (state 6, usage 4), else 4, and LargestSpareSize the largest
// SizeB among them. Controllers of any other type get no set.
//   Update: 0; 1 no port controller, no disk extent or no computer system;
//   9 a class it reads cannot be created. Reads ZUB_PortController,
//   ZUB_StorageExtentDisk and ZUB_ComputerSystem.
//
// ZUB_MemberOfCollection: the set of a controller with each member disk of
// each volume setting of that controller whose level is not RAID0.
//   Update: 0; 1 no container; 4 no volume setting or no set; 9 a class it
//   reads cannot be created. Reads ZUB_StorageSettingVolume and
//   ZUB_StorageRedundancySet.
//
// ZUB_HostedCollection: the computer system of a controller with its set.
//   Update: 0; 1 no container; 4 no computer system or no set; 9 a class it
//   reads cannot be created. Reads ZUB_ComputerSystem and
//   ZUB_StorageRedundancySet.
//
// ZUB_IsSpare: each spare disk (usage 4, any state) of a port controller
// whose feature flag is set, with the set of that controller; SpareStatus 2.
//   Update: 0; 1 no port controller, no spare configuration capabilities, no
//   disk extent or no set; 9 a class it reads cannot be created. Reads
//   ZUB_PortController, ZUB_SpareConfigurationCapabilities,
//   ZUB_StorageExtentDisk and ZUB_StorageRedundancySet.
#pragma once

#include <optional>
#include <vector>

#include "zubprov/storage.h"
#include "framework/record_desc.h"

struct stZUB_PortController;
struct stZUB_StorageExtentDisk;

// The set of `controller`, the `ordinal`th of its type, with the spare facts
// of `disks` (those of other controllers are not counted); nothing for a
// controller type without sets.
std::optional<stZUB_StorageRedundancySet> RedundancySetOf(const stZUB_PortController& controller,
                                                          uint64_t ordinal,
                                                          const std::vector<const stZUB_StorageExtentDisk*>& disks);
