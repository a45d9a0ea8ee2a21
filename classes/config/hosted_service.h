// hosted_service.h: ZUB_HostedService, each computer system (Antecedent)
// with the services its controller hosts (Dependent): its storage
// configuration service, then its spare configuration service. The storage
// and spare service lists are walked side by side, index by index, so they
// must be as long as the system list: one of each per controller.
//
// Update: 0 joined; 1 no container, or a class it reads cannot be created;
// 4 the three lists are not all of one non-zero length (a spare service
// list cut short by a controller of another type). Reads ZUB_ComputerSystem,
// ZUB_StorageConfigurationService and ZUB_SpareConfigurationService.
#pragma once

#include "zubprov/config.h"
#include "framework/record_desc.h"

