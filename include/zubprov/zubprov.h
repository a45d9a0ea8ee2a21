// zubprov.h: everything a host of the provider library needs, in one
// include: the status codes, texts and arrays, the interfaces with their slot
// order, every record and every factory.
#pragma once

#include "zubprov/config.h"
#include "zubprov/interfaces.h"
#include "zubprov/ports.h"
#include "zubprov/profiles.h"
#include "zubprov/provider.h"
#include "zubprov/status.h"
#include "zubprov/storage.h"
#include "zubprov/system.h"
#include "zubprov/zub_array.h"
#include "zubprov/zub_string.h"
