// listener.h: a CIM-XML indication listener: an HTTP server that takes
// ExportIndication requests (export_message.h), hands each indication to a
// function and answers as DSP0200 listeners do. `zubcim listen` prints
// what it hands over; the tests receive indications with it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/indications/export_message.h"

namespace zubwbem {

class IndicationListener {
 public:
  // `handler` runs on the listener's connection threads (more than one
  // sender may deliver at once); the answer goes out once it returns.
  using Handler = std::function<void(const ReceivedIndication&)>;
  explicit IndicationListener(Handler handler);
  ~IndicationListener();
  IndicationListener(const IndicationListener&) = delete;
  IndicationListener& operator=(const IndicationListener&) = delete;

  // Binds to `address`:`port` (0: any free port); false with *error.
  bool Bind(const std::string& address, int port, std::string* error);
  int Port() const { return m_port; }
  // Serves until Stop (from any thread, also one called before Run). A
  // listener that was bound must Run: only then is its port closed.
  void Run();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  int m_port = 0;
};

}  // namespace zubwbem
