// listener.cpp: cpp-httplib wiring of the indication listener.
#include "host/indications/listener.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <httplib.h>

namespace zubwbem {

struct IndicationListener::Impl {
  Handler handler;
  httplib::Server server;
  // The server's stop does nothing before it runs (and its socket stays
  // open); these make a Stop that comes before or while Run starts end it
  // all the same.
  std::atomic<bool> stopping{false};
  std::atomic<bool> entered{false};
  std::atomic<bool> exited{false};

  void Handle(const httplib::Request& req, httplib::Response& res) {
    auto refuse = [&](int status, const std::string& cimError) {
      res.status = status;
      res.set_header("CIMError", cimError);
    };
    if (!EqualsNoCase(req.get_header_value("CIMExport"), "MethodRequest")) return refuse(400, "unsupported-operation");
    if (const std::string method = req.get_header_value("CIMExportMethod");
        !method.empty() && !EqualsNoCase(method, "ExportIndication"))
      return refuse(400, "header-mismatch");
    ReceivedIndication indication;
    if (std::optional<BadRequest> bad = ReadExportRequest(req.body, &indication))
      return refuse(bad->http, bad->cimError);
    handler(indication);
    res.set_header("CIMExport", "MethodResponse");
    res.set_content(ExportResponse(indication.messageId), "application/xml; charset=\"utf-8\"");
  }
};

IndicationListener::IndicationListener(Handler handler) : m_impl(new Impl{std::move(handler), {}}) {}

IndicationListener::~IndicationListener() = default;

bool IndicationListener::Bind(const std::string& address, int port, std::string* error) {
  httplib::Server& server = m_impl->server;
  server.new_task_queue = [] { return new httplib::ThreadPool(4); };
  server.set_read_timeout(5, 0);
  server.set_payload_max_length(4 * 1024 * 1024);
  Impl* impl = m_impl.get();
  server.Post(".*", [impl](const httplib::Request& req, httplib::Response& res) { impl->Handle(req, res); });
  m_port = port == 0 ? server.bind_to_any_port(address) : (server.bind_to_port(address, port) ? port : -1);
  if (m_port <= 0) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + " (address not local, or the port is taken)";
    return false;
  }
  return true;
}

void IndicationListener::Run() {
  m_impl->entered = true;
  // A Stop that came first: only a running server closes its socket.
  std::thread late;
  if (m_impl->stopping) late = std::thread([this] { Stop(); });
  m_impl->server.listen_after_bind();
  m_impl->exited = true;
  if (late.joinable()) late.join();
}

void IndicationListener::Stop() {
  m_impl->stopping = true;
  if (m_impl->entered) {
    while (!m_impl->server.is_running() && !m_impl->exited) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  m_impl->server.stop();
}

}  // namespace zubwbem
