// container.h: CZubContainer, through which the host hands in its namespace
// and computer name, and the reading of those names by everything that
// builds an object path (on host threads and on the monitor thread alike).
#pragma once

#include "zubprov/provider.h"

// PROVIDER_CreateZubContainerInstance and GetComputerStringNames are the
// host's (zubprov/provider.h).
// The names last handed to SetComputerNameStrings into *out; false (and empty names) when the container object
// cannot be obtained.
bool ReadComputerStringNames(stComputerStringNames* out);
