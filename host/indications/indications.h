// indications.h: alerts on their way out. The library hands each alert to
// the host's callback on its monitor thread, which only queues it
// (host/kit/alert_queue.h); the router takes the alerts from that queue on a
// thread of its own, finds the listeners whose subscriptions select the
// alert's class (subscriptions.h), turns the alert into an ExportIndication
// request once (export_message.h) and queues it for each of them
// (delivery.h). So neither the monitor nor the router ever waits for a
// listener. The router also joins the two: delivery asks the subscriptions
// whether a listener still wants an indication and hands them its fatal
// failures (their OnFatalErrorPolicy), and what the subscriptions have to
// log (expiry) goes to delivery's log.
//
// With a life-cycle watch (lifecycle.h), each batch of alerts the router
// takes is followed by one comparison of the volumes, pools and disks, and
// each change found goes as a life-cycle indication to the listeners whose
// subscriptions select its class and its SourceInstance's class.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "host/kit/alert_queue.h"
#include "host/indications/delivery.h"
#include "host/cim/schema.h"
#include "host/indications/lifecycle.h"
#include "host/indications/subscriptions.h"

namespace zubwbem {

class IndicationRouter {
 public:
  // `store` and `delivery` outlive the router; the store outlives delivery.
  IndicationRouter(const Schema& schema, SubscriptionStore& store, IndicationDelivery& delivery);
  ~IndicationRouter();  // Stop
  IndicationRouter(const IndicationRouter&) = delete;
  IndicationRouter& operator=(const IndicationRouter&) = delete;

  // Queues the alert for every listener that selected it; how many.
  size_t Publish(const stZUB_AlertIndication& alert);
  // The same for a life-cycle indication.
  size_t Publish(const LifeCycleEvent& event);

  // Watches the volumes, pools and disks listed by `lister`; takes their
  // first listing now. Called before Start.
  void WatchLifeCycle(LifeCycleWatch::Lister lister);

  // Publishes what arrives in `alerts`, on a thread of its own, until Stop.
  void Start(zubcim::AlertQueue& alerts);
  // Publishes what is queued already, then ends the thread.
  void Stop();

 private:
  const Schema& m_schema;
  SubscriptionStore& m_store;
  IndicationDelivery& m_delivery;
  const std::string m_origin;  // makes IndicationIdentifiers unique across restarts
  std::atomic<uint64_t> m_sequence{0};
  std::unique_ptr<LifeCycleWatch> m_lifeCycle;  // used by the router's thread only, once started
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace zubwbem
