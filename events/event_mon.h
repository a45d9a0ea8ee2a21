// event_mon.h: the event monitor, the one background thread of the provider.
// It blocks in the middleware's event wait and, after each event, lets the
// classes that raise alerts compare their state and hands the alerts to the
// callback the host registered.
#pragma once

#include "framework/interfaces.h"

ZUB_FACTORY CEventMonInterface* PROVIDER_CreateEventMonInstance();
