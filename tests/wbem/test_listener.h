// test_listener.h: an in-process listener that keeps what it receives; it
// can be stopped and started again on the same port.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/indications/listener.h"

namespace wbemtest {

class TestListener {
 public:
  explicit TestListener(int port = 0) { Start(port); }
  ~TestListener() { Stop(); }

  void Start(int port) {
    m_listener = std::make_unique<zubwbem::IndicationListener>([this](const zubwbem::ReceivedIndication& indication) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_received.push_back(indication);
      m_arrived.notify_all();
    });
    std::string error;
    ASSERT_TRUE(m_listener->Bind("127.0.0.1", port, &error)) << error;
    m_port = m_listener->Port();
    m_thread = std::thread([this] { m_listener->Run(); });
  }
  void Stop() {
    if (m_listener) m_listener->Stop();
    if (m_thread.joinable()) m_thread.join();
    m_listener.reset();
  }
  int Port() const { return m_port; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/zub"; }

  // Waits (bounded, generously) until `count` indications arrived; all of them.
  std::vector<zubwbem::ReceivedIndication> WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::seconds(60), [&] { return m_received.size() >= count; });
    return m_received;
  }
  // "Class EventID" of each indication so far, once `last` is among them
  // (waiting as WaitFor does).
  std::vector<std::string> Until(const std::string& last) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::seconds(60), [&] {
      const std::vector<std::string> seen = Seen();
      return std::find(seen.begin(), seen.end(), last) != seen.end();
    });
    return Seen();
  }
  std::vector<std::string> UntilCount(size_t count) {
    WaitFor(count);
    std::lock_guard<std::mutex> lock(m_mutex);
    return Seen();
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
  }

 private:
  std::vector<std::string> Seen() const {
    std::vector<std::string> out;
    for (const auto& r : m_received) out.push_back(r.className + " " + r.Text("EventID"));
    return out;
  }

  std::unique_ptr<zubwbem::IndicationListener> m_listener;
  std::thread m_thread;
  int m_port = 0;
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::vector<zubwbem::ReceivedIndication> m_received;
};

}  // namespace wbemtest
