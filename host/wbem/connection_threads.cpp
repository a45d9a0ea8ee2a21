// connection_threads.cpp: a thread per connection, started on demand and
// kept for reuse.
#include "host/wbem/connection_threads.h"

#include <utility>

namespace zubwbem {

void ConnectionThreads::enqueue(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_tasks.push_back(std::move(task));
  // Idle threads already waiting take queued tasks first; start another
  // only for a task none of them will take.
  if (m_tasks.size() > m_idle && m_threads.size() < m_limit) {
    m_threads.emplace_back([this] { Work(); });
  } else {
    m_wake.notify_one();
  }
}

void ConnectionThreads::shutdown() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    threads.swap(m_threads);
  }
  m_wake.notify_all();
  for (std::thread& t : threads) t.join();
}

void ConnectionThreads::Work() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    ++m_idle;
    m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
    --m_idle;
    if (m_tasks.empty()) return;  // stopping, nothing left to run
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
}

}  // namespace zubwbem
