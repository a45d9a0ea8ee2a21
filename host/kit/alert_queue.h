// alert_queue.h: the hand-over of alerts from the provider's monitor thread
// to the host's own threads. The monitor calls the host's callback on its
// thread and waits for it before the next event, so the callback only copies
// the alert in here and wakes a waiter; turning alerts into JSON or lines
// happens on the host's side. A host that never takes its alerts (a server
// that does not deliver indications) keeps only the newest ones.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "framework/alert.h"

namespace zubcim {

class AlertQueue {
 public:
  // Keeps at most `capacity` alerts (at least one).
  explicit AlertQueue(size_t capacity = 10000) : m_capacity(capacity ? capacity : 1) {}

  // From the callback: keeps a copy, in delivery order; when full, the
  // oldest alert makes room.
  void Push(const stZUB_AlertIndication& alert) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_alerts.size() == m_capacity) m_alerts.pop_front();
      m_alerts.push_back(alert);
    }
    m_arrived.notify_all();
  }

  // Waits until at least `count` alerts are queued or `wait` has passed,
  // then hands over every queued alert, oldest first, and empties the queue.
  std::vector<stZUB_AlertIndication> Take(size_t count, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, wait, [&] { return m_alerts.size() >= count; });
    std::vector<stZUB_AlertIndication> taken(m_alerts.begin(), m_alerts.end());
    m_alerts.clear();
    return taken;
  }

 private:
  const size_t m_capacity;
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::deque<stZUB_AlertIndication> m_alerts;
};

}  // namespace zubcim
