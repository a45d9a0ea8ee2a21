// indications.cpp: the alert router.
#include "host/indications/indications.h"

#include <chrono>

#include "host/indications/export_message.h"
#include "host/kit/wide_text.h"

namespace zubwbem {

IndicationRouter::IndicationRouter(const Schema& schema, SubscriptionStore& store, IndicationDelivery& delivery)
    : m_schema(schema),
      m_store(store),
      m_delivery(delivery),
      m_origin(std::to_string(
          std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count())) {
  m_delivery.SetPolicy(DeliveryPolicy{
      [&store](const std::string& key, const std::string& cls, const std::string& source) {
        return store.Wants(key, cls, source);
      },
      [&store](const std::string& key, const std::string& cls, const std::string& source) {
        return store.FatalFailure(key, cls, source);
      }});
  m_store.OnNotice([&delivery](const std::string& line) { delivery.Log(line); });
}

IndicationRouter::~IndicationRouter() {
  Stop();
  m_store.OnNotice({});
}

size_t IndicationRouter::Publish(const stZUB_AlertIndication& alert) {
  const std::string cls = zubcim::ToUtf8(alert.AlertClassName.Str());
  const std::vector<Target> targets = m_store.TargetsOf(cls);
  if (targets.empty()) return 0;
  const std::string sequence = std::to_string(++m_sequence);
  const std::string request =
      ExportRequest(m_schema, alert, sequence, "zubcim:" + m_origin + ":" + sequence, DateTimeNow());
  const OutgoingIndication indication{cls, cls + " (" + zubcim::ToUtf8(alert.EventID.Str()) + ")", request};
  for (const Target& target : targets) m_delivery.Send(target.key, target.destination, indication);
  return targets.size();
}

size_t IndicationRouter::Publish(const LifeCycleEvent& event) {
  const std::string source = event.source.cls->name;
  const std::vector<Target> targets = m_store.TargetsOf(event.indicationClass, source);
  if (targets.empty()) return 0;
  const std::string sequence = std::to_string(++m_sequence);
  const std::string request =
      LifeCycleExportRequest(m_schema, event, sequence, "zubcim:" + m_origin + ":" + sequence, DateTimeNow());
  const OutgoingIndication indication{event.indicationClass,
                                      std::string(event.indicationClass) + " (" + Describe(event.source.path) + ")",
                                      request, source};
  for (const Target& target : targets) m_delivery.Send(target.key, target.destination, indication);
  return targets.size();
}

void IndicationRouter::WatchLifeCycle(LifeCycleWatch::Lister lister) {
  m_lifeCycle = std::make_unique<LifeCycleWatch>(m_schema, std::move(lister));
  m_lifeCycle->Compare();
}

void IndicationRouter::Start(zubcim::AlertQueue& alerts) {
  m_stop = false;
  m_thread = std::thread([this, &alerts] {
    // Each batch of alerts, then what it changed among the watched instances.
    auto publish = [this](const std::vector<stZUB_AlertIndication>& batch) {
      for (const stZUB_AlertIndication& alert : batch) Publish(alert);
      if (batch.empty() || !m_lifeCycle) return;
      for (const LifeCycleEvent& event : m_lifeCycle->Compare()) Publish(event);
    };
    // Waits in short slices so that Stop is seen soon.
    while (!m_stop) publish(alerts.Take(1, std::chrono::milliseconds(100)));
    publish(alerts.Take(0, std::chrono::milliseconds(0)));
  });
}

void IndicationRouter::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace zubwbem
