// delivery.h: indications on their way to listeners. Each listener (a
// destination instance) has its own bounded queue and its own worker thread
// that POSTs the queue's export requests in order, one at a time; Send only
// queues, so whoever hands indications over (the alert router of `serve`)
// never waits for a network. A listener that does not answer is tried
// again after a pause that doubles up to a limit, and keeps its queue
// meanwhile; one that answers with an error is tried a few times, then the
// indication is dropped. When a queue is full its oldest waiting indication
// is dropped. Drops are counted and logged (the first, the tenth, the
// hundredth... of each listener), as are a listener going silent and coming
// back.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace zubwbem {

struct DeliverySettings {
  size_t queueLimit = 1000;  // indications waiting per listener
  std::chrono::milliseconds firstPause{200};
  std::chrono::milliseconds longestPause{30000};
  int refusedTries = 3;  // a listener answering with an error: tries per indication
  int connectTimeoutSeconds = 3;
  int readTimeoutSeconds = 10;
};

struct DeliveryCounts {
  uint64_t delivered = 0;
  uint64_t dropped = 0;
  uint64_t failedTries = 0;
  size_t queued = 0;  // waiting now, the one being sent included
};

class IndicationDelivery {
 public:
  // Log lines go to `log`, each starting with `logPrefix`.
  IndicationDelivery(DeliverySettings settings, std::ostream& log, std::string logPrefix = "zubcim serve: ");
  ~IndicationDelivery();  // Stop
  IndicationDelivery(const IndicationDelivery&) = delete;
  IndicationDelivery& operator=(const IndicationDelivery&) = delete;

  // Queues one export request for the listener `key` at `destination` (a
  // URL subscriptions.h's ParseDestination reads); `what` names the
  // indication in log lines. A destination that cannot be read is a drop.
  void Send(const std::string& key, const std::string& destination, const std::string& what, std::string request);

  // The listener is gone (its destination was deleted): its queue is
  // dropped, uncounted, and its worker ends.
  void Forget(const std::string& key);

  DeliveryCounts Counts(const std::string& key) const;

  // Ends every worker (a request on the wire is finished first); what is
  // still queued is logged as not delivered. Send does nothing afterwards.
  void Stop();

 private:
  struct Listener;
  void Work(Listener& listener);
  void Log(const std::string& line);

  const DeliverySettings m_settings;
  std::ostream& m_log;
  const std::string m_prefix;
  mutable std::mutex m_mutex;  // the map, every listener's queue and counts
  std::mutex m_logMutex;
  std::map<std::string, std::shared_ptr<Listener>> m_listeners;
  std::vector<std::shared_ptr<Listener>> m_retired;  // forgotten; their workers end by themselves
  bool m_stopped = false;
};

}  // namespace zubwbem
