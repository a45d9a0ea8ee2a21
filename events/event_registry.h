// event_registry.h: which classes the event monitor visits after each event,
// and in which order (the order their alerts reach the host). Internal to
// the provider: the monitor reads it, the registered classes fill it.
//
// The table (event_registry.cpp) has one named row per class that reacts to
// events, in its fixed order. A class joins by filling in its row with its
// accessor, a function that returns its singleton as a
// CEventRegisterInterface, declared in the class's header and defined next
// to the class:
//
//   CEventRegisterInterface* StorageVolumeEvents() { return Singleton<CZubStorageVolume>(); }
//   ...
//   {"CZubStorageVolume", &StorageVolumeEvents},
//
// A row whose accessor is null (its class does not exist yet), or whose
// accessor returns null (the object could not be made), is skipped.
#pragma once

#include <span>
#include <vector>

#include "framework/event_register.h"

using EventRegistrationAccessor = CEventRegisterInterface* (*)();

struct EventRegistrationRow {
  const char* className;
  EventRegistrationAccessor registration;
};

// The fourteen rows, in visiting order.
std::span<const EventRegistrationRow> EventRegistrationTable();
inline constexpr size_t kEventRegistrationRows = 14;

// Every registration in visiting order: the objects of the table's filled
// rows (made when needed), then those added by ZubAddEventRegistration.
std::vector<CEventRegisterInterface*> EventRegistrations();

// For tests, which have no class of their own in the table: adds a
// registration after the table's rows (up to sixteen; more are ignored). It
// takes effect when the monitor thread registers its classes, so it is
// called before the monitor starts.
// Exported by its plain name, so a test reaches it in a private copy of the
// library too.
ZUB_FACTORY void ZubAddEventRegistration(CEventRegisterInterface* registration);
