// delivery.h: indications on their way to listeners. Each listener (a
// destination instance) has its own bounded queue and its own worker thread
// that POSTs the queue's export requests in order, one at a time; Send only
// queues, so whoever hands indications over (the alert router of `serve`)
// never waits for a network. When a queue is full its oldest waiting
// indication is dropped.
//
// Each try of an indication ends one of four ways:
// - delivered: the listener answered HTTP 200 without an ERROR;
// - gone: no connection to the listener's address could be made (refused,
//   as when nothing listens on the port; no route; an unknown host; no
//   answer to connecting within connectTimeoutSeconds);
// - silent: connected, but the request or its answer broke off or took
//   longer than readTimeoutSeconds, or the answer was an HTTP 5xx;
// - refused: any other answer (an HTTP 4xx, a 200 with an ERROR).
// Short of a fatal failure, the indication stays in front of its queue and
// is tried again after a pause that doubles from firstPause up to
// longestPause.
//
// An indication fails fatally when its try
// - is refused for the refusedTries-th time (its tries are used up), or
// - finds the listener gone, and so did every one of the listener's last
//   goneTries tries (of this indication or of those before it).
// A silent listener never fails fatally: it is waited for, and its queue
// bounds what waits. An indication that failed fatally is dropped and
// handed to the policy's `fatal` (the subscriptions' OnFatalErrorPolicy,
// subscriptions.h); the next is tried at once, so a listener that stays
// gone fails each further indication at its first try, until a try
// reaches it again.
//
// Before each try the policy's `wanted` says whether the listener still
// wants the indication (its subscriptions may have been disabled, removed
// or have expired since it was queued); one it does not is withdrawn
// unsent.
//
// Drops are counted and logged (the first, the tenth, the hundredth... of
// each listener; a fatal failure that changed a subscription always), as
// are a listener going silent and coming back.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "host/indications/subscriptions.h"

namespace zubwbem {

struct DeliverySettings {
  size_t queueLimit = 1000;  // indications waiting per listener
  std::chrono::milliseconds firstPause{200};
  std::chrono::milliseconds longestPause{30000};
  int refusedTries = 3;  // a listener answering with an error: tries per indication
  int goneTries = 8;     // a listener nobody can connect to: tries in a row (about 25 s with the pauses above)
  int connectTimeoutSeconds = 3;
  int readTimeoutSeconds = 10;
};

struct DeliveryCounts {
  uint64_t delivered = 0;
  uint64_t dropped = 0;
  uint64_t withdrawn = 0;  // no longer wanted when their turn came
  uint64_t failedTries = 0;
  size_t queued = 0;  // waiting now, the one being sent included
};

// One indication for one listener.
struct OutgoingIndication {
  std::string className;  // the indication's class, as the policy is asked of it
  std::string what;       // names it in log lines
  std::string request;    // the ExportIndication request
  std::string sourceClass = {};  // a life-cycle indication's SourceInstance class ("" for an alert)
};

// What the subscriptions say of a listener's indications. Both are called
// on the listener's worker with no lock of the delivery held; either may be
// empty.
struct DeliveryPolicy {
  std::function<bool(const std::string& key, const std::string& className, const std::string& sourceClass)> wanted;
  std::function<FatalOutcome(const std::string& key, const std::string& className, const std::string& sourceClass)>
      fatal;
};

class IndicationDelivery {
 public:
  // Log lines go to `log`, each starting with `logPrefix`.
  IndicationDelivery(DeliverySettings settings, std::ostream& log, std::string logPrefix = "zubcim serve: ");
  ~IndicationDelivery();  // Stop
  IndicationDelivery(const IndicationDelivery&) = delete;
  IndicationDelivery& operator=(const IndicationDelivery&) = delete;

  // Applies to every try from now on.
  void SetPolicy(DeliveryPolicy policy);

  // Queues an indication for the listener `key` at `destination` (a URL
  // subscriptions.h's ParseDestination reads). A destination that cannot be
  // read is a drop.
  void Send(const std::string& key, const std::string& destination, OutgoingIndication indication);

  // The listener is gone (its destination was deleted): its queue is
  // dropped, uncounted, and its worker ends.
  void Forget(const std::string& key);

  DeliveryCounts Counts(const std::string& key) const;

  // Ends every worker (a request on the wire is finished first); what is
  // still queued is logged as not delivered. Send does nothing afterwards.
  void Stop();

  // Writes a line to the log: the prefix, "indications: ", the line.
  void Log(const std::string& line);

 private:
  struct Listener;
  void Work(Listener& listener);

  const DeliverySettings m_settings;
  std::ostream& m_log;
  const std::string m_prefix;
  mutable std::mutex m_mutex;  // the map, every listener's queue and counts, the policy
  std::mutex m_logMutex;
  std::map<std::string, std::shared_ptr<Listener>> m_listeners;
  std::vector<std::shared_ptr<Listener>> m_retired;  // forgotten; their workers end by themselves
  DeliveryPolicy m_policy;
  bool m_stopped = false;
};

}  // namespace zubwbem
