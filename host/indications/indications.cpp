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
      [&store](const std::string& key, const std::string& cls) { return store.Wants(key, cls); },
      [&store](const std::string& key, const std::string& cls) { return store.FatalFailure(key, cls); }});
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

void IndicationRouter::Start(zubcim::AlertQueue& alerts) {
  m_stop = false;
  m_thread = std::thread([this, &alerts] {
    // Waits in short slices so that Stop is seen soon.
    while (!m_stop) {
      for (const stZUB_AlertIndication& alert : alerts.Take(1, std::chrono::milliseconds(100))) Publish(alert);
    }
    for (const stZUB_AlertIndication& alert : alerts.Take(0, std::chrono::milliseconds(0))) Publish(alert);
  });
}

void IndicationRouter::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace zubwbem
