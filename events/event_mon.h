// event_mon.h: the event monitor, the one background thread of the provider.
// It blocks in the middleware's event wait and, after each event, lets the
// registered classes (events/event_registry.h) compare their state, then hands
// the alerts they raised (framework/alert.h) to the callback the host registered,
// one by one, in registration order.
//
// CEventMonInterface, as the host uses it:
// - Initialize: starts the thread, once per process (later calls, also after
//   Terminate, do nothing); returns 0 even when no thread could be made. The
//   provider's Initialize calls it. The thread first registers the classes
//   (each reads its first state, under the process-wide lock), then takes an
//   event handle, then waits: a host that must not miss a change waits until
//   the middleware has seen a first event wait.
// - SetCallBackFunc: keeps the first function it is given; later calls
//   change nothing. Alerts raised while no function (or a null one) is kept
//   are dropped, but the classes still take in every event.
// - Terminate: stops the monitor for good. From any other thread it frees
//   the event handle (which wakes the waiting thread), waits for the thread
//   to end and returns: no callback runs after that. Called from inside the
//   callback it only marks the monitor as stopping: no further alert is
//   delivered and the thread ends once the callback returns; a host that
//   unloads the library calls Terminate again from its own thread first,
//   which then waits for that end. No thread is ever killed.
// - Update: 5 (not supported).
//
// The callback runs on the monitor thread with no lock held; it must return
// quickly (hand the alert to a queue) since the next event waits for it.
#pragma once

#include "zubprov/provider.h"
