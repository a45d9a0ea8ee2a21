// connection_threads.h: the threads that serve the server's connections.
//
// The HTTP library hands each accepted connection to a task queue, and the
// task reads the request itself: a thread is held while a client is slow to
// send. A fixed pool lets a few clients that stall half way through a
// header (or keep idle connections open) take every thread, and the next
// client waits for their read time-outs. Here each connection gets a thread
// of its own as it comes: threads are started when none is free and kept
// for the next connections, up to `limit` at once; past that, connections
// wait in order for a thread (the only case in which one client waits for
// another's time-out).
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zubwbem {

class ConnectionThreads : public httplib::TaskQueue {
 public:
  explicit ConnectionThreads(size_t limit) : m_limit(limit == 0 ? 1 : limit) {}
  ~ConnectionThreads() override { shutdown(); }

  void enqueue(std::function<void()> task) override;
  // Runs what is queued, then joins every thread. Called once the server
  // stops accepting.
  void shutdown() override;

 private:
  void Work();

  const size_t m_limit;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_tasks;
  std::vector<std::thread> m_threads;
  size_t m_idle = 0;
  bool m_stopping = false;
};

}  // namespace zubwbem
