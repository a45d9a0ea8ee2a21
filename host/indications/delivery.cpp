// delivery.cpp: per-listener queues and workers.
#include "host/indications/delivery.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <thread>
#include <vector>

#include <httplib.h>

#include "host/indications/export_message.h"
#include "host/indications/subscriptions.h"

namespace zubwbem {
namespace {

// Every power of ten: a listener that is down for long does not flood the log.
bool WorthLogging(uint64_t count) {
  while (count >= 10 && count % 10 == 0) count /= 10;
  return count == 1;
}

enum class Outcome { Delivered, Gone, Silent, Refused };

}  // namespace

struct IndicationDelivery::Listener {
  std::string key;
  std::string destination;
  std::deque<OutgoingIndication> queue;
  bool sending = false;  // queue.front() is on the wire
  bool stop = false;
  bool silent = false;   // the last try found nobody answering
  DeliveryCounts counts;
  std::condition_variable wake;
  std::thread worker;
};

IndicationDelivery::IndicationDelivery(DeliverySettings settings, std::ostream& log, std::string logPrefix)
    : m_settings(settings), m_log(log), m_prefix(std::move(logPrefix)) {}

IndicationDelivery::~IndicationDelivery() { Stop(); }

void IndicationDelivery::Log(const std::string& line) {
  std::lock_guard<std::mutex> lock(m_logMutex);
  m_log << m_prefix << "indications: " << line << std::endl;
}

void IndicationDelivery::SetPolicy(DeliveryPolicy policy) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_policy = std::move(policy);
}

void IndicationDelivery::Send(const std::string& key, const std::string& destination, OutgoingIndication indication) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_stopped) return;
  std::shared_ptr<Listener>& slot = m_listeners[key];
  if (!slot) {
    slot = std::make_shared<Listener>();
    slot->key = key;
    slot->destination = destination;
    if (!ParseDestination(destination)) {
      ++slot->counts.dropped;
      Log("dropped " + indication.what + " for " + destination + ": not a listener's URL");
      return;
    }
    Listener* listener = slot.get();
    slot->worker = std::thread([this, listener] { Work(*listener); });
  }
  Listener& l = *slot;
  if (!l.worker.joinable()) {
    ++l.counts.dropped;
    return;
  }
  if (l.queue.size() >= m_settings.queueLimit) {
    // The oldest waiting indication makes room (never the one on the wire).
    const size_t oldest = l.sending ? 1 : 0;
    std::string dropped = indication.what;
    if (oldest < l.queue.size()) {
      dropped = l.queue[oldest].what;
      l.queue.erase(l.queue.begin() + static_cast<ptrdiff_t>(oldest));
      l.queue.push_back(std::move(indication));
    }
    ++l.counts.dropped;
    if (WorthLogging(l.counts.dropped))
      Log("dropped " + dropped + " for " + l.destination + ": " + std::to_string(m_settings.queueLimit) +
          " indications wait already; " + std::to_string(l.counts.dropped) + " dropped so far");
    return;
  }
  l.queue.push_back(std::move(indication));
  l.wake.notify_one();
}

void IndicationDelivery::Work(Listener& l) {
  const ListenerAddress address = *ParseDestination(l.destination);
  httplib::Client client(address.Origin());
  client.set_connection_timeout(m_settings.connectTimeoutSeconds, 0);
  client.set_read_timeout(m_settings.readTimeoutSeconds, 0);
  client.set_write_timeout(m_settings.readTimeoutSeconds, 0);
  const httplib::Headers headers = {
      {"CIMProtocolVersion", "1.0"}, {"CIMExport", "MethodRequest"}, {"CIMExportMethod", "ExportIndication"}};
  std::chrono::milliseconds pause = m_settings.firstPause;
  int refusals = 0;    // of the indication in front
  int goneInARow = 0;  // the listener's last tries that found it gone
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    l.wake.wait(lock, [&] { return l.stop || !l.queue.empty(); });
    if (l.stop) return;
    // Send never takes the front away while it is being sent; only Forget
    // (which stops the worker) empties the queue meanwhile.
    l.sending = true;
    const std::string className = l.queue.front().className;
    const std::string sourceClass = l.queue.front().sourceClass;
    const std::string request = l.queue.front().request;
    const DeliveryPolicy policy = m_policy;
    lock.unlock();
    if (policy.wanted && !policy.wanted(l.key, className, sourceClass)) {
      lock.lock();
      l.sending = false;
      if (l.stop) return;
      l.queue.pop_front();
      ++l.counts.withdrawn;
      refusals = 0;
      continue;
    }
    httplib::Result result = client.Post(address.path, headers, request, "application/xml; charset=\"utf-8\"");
    Outcome outcome = Outcome::Delivered;
    std::string why;
    if (!result) {
      const httplib::Error error = result.error();
      outcome = error == httplib::Error::Connection || error == httplib::Error::ConnectionTimeout ? Outcome::Gone
                                                                                                   : Outcome::Silent;
      why = (outcome == Outcome::Gone ? "cannot connect (" : "no answer (") + httplib::to_string(error) + ")";
    } else if (result->status >= 500) {
      outcome = Outcome::Silent;
      why = "HTTP " + std::to_string(result->status);
    } else if (result->status != 200) {
      outcome = Outcome::Refused;
      why = "HTTP " + std::to_string(result->status) + " " + result->get_header_value("CIMError");
    } else if (!ExportAccepted(result->body, &why)) {
      outcome = Outcome::Refused;
    }
    lock.lock();
    l.sending = false;
    goneInARow = outcome == Outcome::Gone ? goneInARow + 1 : 0;
    if (outcome == Outcome::Delivered) {
      if (!l.queue.empty()) l.queue.pop_front();  // empty only when forgotten meanwhile
      ++l.counts.delivered;
      refusals = 0;
      pause = m_settings.firstPause;
      if (l.silent) {
        l.silent = false;
        Log("listener " + l.destination + " answers again; " + std::to_string(l.queue.size()) + " more to deliver");
      }
      continue;
    }
    if (l.stop) return;
    ++l.counts.failedTries;
    std::string fatal;
    if (outcome == Outcome::Refused && ++refusals >= m_settings.refusedTries) {
      fatal = why + " (" + std::to_string(refusals) + " tries)";
    } else if (outcome == Outcome::Gone && goneInARow >= m_settings.goneTries) {
      fatal = why + ", the listener's last " + std::to_string(goneInARow) + " tries found it gone";
    }
    if (!fatal.empty()) {
      const OutgoingIndication dropped = std::move(l.queue.front());
      l.queue.pop_front();
      refusals = 0;
      FatalOutcome met;
      if (policy.fatal) {
        lock.unlock();
        met = policy.fatal(l.key, dropped.className, dropped.sourceClass);
        lock.lock();
      }
      ++l.counts.dropped;
      if (met.changed || WorthLogging(l.counts.dropped))
        Log("dropped " + dropped.what + " for " + l.destination + ": " + fatal + (met.text.empty() ? "" : "; " + met.text) +
            "; " + std::to_string(l.counts.dropped) + " dropped so far");
      continue;
    }
    if (outcome != Outcome::Refused && !l.silent) {
      l.silent = true;
      Log("listener " + l.destination + " does not answer (" + why + "); " + std::to_string(l.queue.size()) +
          " waiting, trying again with growing pauses");
    }
    l.wake.wait_for(lock, pause, [&] { return l.stop; });
    pause = std::min(pause * 2, m_settings.longestPause);
  }
}

void IndicationDelivery::Forget(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_listeners.find(key);
  if (it == m_listeners.end()) return;
  // The worker may be finishing a request: it ends on its own, and Stop
  // joins it, so the caller (a client's DeleteInstance) does not wait.
  it->second->stop = true;
  it->second->queue.clear();
  it->second->wake.notify_one();
  m_retired.push_back(std::move(it->second));
  m_listeners.erase(it);
}

DeliveryCounts IndicationDelivery::Counts(const std::string& key) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_listeners.find(key);
  if (it == m_listeners.end()) return {};
  DeliveryCounts counts = it->second->counts;
  counts.queued = it->second->queue.size();
  return counts;
}

void IndicationDelivery::Stop() {
  std::vector<std::shared_ptr<Listener>> listeners;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped) return;
    m_stopped = true;
    for (auto& [key, listener] : m_listeners) {
      listener->stop = true;
      listener->wake.notify_one();
      listeners.push_back(listener);
    }
    listeners.insert(listeners.end(), m_retired.begin(), m_retired.end());
  }
  for (const std::shared_ptr<Listener>& l : listeners) {
    if (l->worker.joinable()) l->worker.join();
    if (!l->queue.empty())
      Log(std::to_string(l->queue.size()) + " indications for " + l->destination + " were not delivered");
  }
}

}  // namespace zubwbem
