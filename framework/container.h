// container.h: CZubContainer, through which the host hands in its namespace
// and computer name, and the reading of those names by everything that
// builds an object path (on host threads and on the monitor thread alike).
#pragma once

#include "framework/interfaces.h"

ZUB_FACTORY CZubContainerInterface* PROVIDER_CreateZubContainerInstance();

// The names last handed to SetComputerNameStrings ("" for both before that).
ZUBPROV_API stComputerStringNames GetComputerStringNames();
// The same into *out; false (and empty names) when the container object
// cannot be obtained.
bool ReadComputerStringNames(stComputerStringNames* out);
