// http_front.cpp: cpp-httplib wiring.
#include "host/wbem/http_front.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include <httplib.h>

#include "host/wbem/connection_threads.h"

namespace zubwbem {
namespace {

// What the handler learnt about the request it served, for the log line
// that the server writes once the response is out (same thread).
struct LogNote {
  std::chrono::steady_clock::time_point start{};
  std::string operation;
  std::string className;
  int cimStatus = -1;
};
thread_local LogNote t_note;

}  // namespace

bool IsLoopback(const std::string& address) {
  return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0 ||
         address.rfind("::ffff:127.", 0) == 0;
}

struct HttpFront::Impl {
  Operations& operations;
  const Authenticator* auth;
  SimHandler sim;
  std::ostream& log;
  std::mutex logMutex;
  std::unique_ptr<httplib::Server> server;

  void Handle(const httplib::Request& req, httplib::Response& res) {
    t_note = LogNote{std::chrono::steady_clock::now(), "", "", -1};
    if (auth && !auth->Check(req.get_header_value("Authorization"))) {
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"zubcim\"");
      t_note.operation = "(unauthenticated)";
      return;
    }
    if (req.path == "/sim" && sim) {
      t_note.operation = "sim";
      if (!IsLoopback(req.remote_addr)) {
        res.status = 403;
        res.set_content("{\"error\": \"the simulation is driven from this machine only\"}\n", "application/json");
        return;
      }
      SimAnswer answer = sim(req.body);
      res.status = answer.http;
      res.set_content(answer.json + "\n", "application/json");
      return;
    }
    CimHeaders headers{req.get_header_value("CIMOperation"), req.get_header_value("CIMMethod"),
                       req.get_header_value("CIMObject"), req.get_header_value("CIMProtocolVersion"),
                       req.get_header_value("Content-Type")};
    Outcome outcome = operations.Handle(req.body, headers);
    t_note.operation = outcome.operation.empty() ? "(refused)" : outcome.operation;
    t_note.className = outcome.className;
    t_note.cimStatus = outcome.cimStatus;
    res.status = outcome.http;
    if (!outcome.cimError.empty()) res.set_header("CIMError", outcome.cimError);
    if (outcome.http == 200) {
      res.set_header("CIMOperation", "MethodResponse");
      res.set_content(std::move(outcome.body), "application/xml; charset=\"utf-8\"");
    }
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    char ms[32] = "-";
    if (t_note.start != std::chrono::steady_clock::time_point{}) {
      std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - t_note.start;
      std::snprintf(ms, sizeof ms, "%.2f", took.count());
    }
    std::string line = "zubcim serve: " + req.method + " " + req.path + " " +
                       (t_note.operation.empty() ? "-" : t_note.operation) + " " +
                       (t_note.className.empty() ? "-" : t_note.className) + " http=" + std::to_string(res.status) +
                       " cim=" + (t_note.cimStatus < 0 ? "-" : std::to_string(t_note.cimStatus)) + " " + ms + " ms\n";
    t_note = LogNote{};
    std::lock_guard<std::mutex> lock(logMutex);
    log << line << std::flush;
  }
};

HttpFront::HttpFront(Operations& operations, const Authenticator* auth, SimHandler sim, std::ostream& log)
    : m_impl(new Impl{operations, auth, std::move(sim), log, {}, nullptr}) {}

HttpFront::~HttpFront() = default;

bool HttpFront::Bind(const HttpSettings& settings, std::string* error) {
  if (!settings.certFile.empty()) {
    auto tls = std::make_unique<httplib::SSLServer>(settings.certFile.c_str(), settings.keyFile.c_str());
    if (!tls->is_valid()) {
      *error = "cannot use the certificate " + settings.certFile + " with the key " + settings.keyFile;
      return false;
    }
    m_impl->server = std::move(tls);
  } else {
    m_impl->server = std::make_unique<httplib::Server>();
  }
  httplib::Server& server = *m_impl->server;
  const size_t threads = settings.threads;
  server.new_task_queue = [threads] { return new ConnectionThreads(threads); };
  server.set_read_timeout(settings.readTimeoutSeconds, 0);
  server.set_write_timeout(settings.readTimeoutSeconds, 0);
  server.set_keep_alive_timeout(settings.readTimeoutSeconds);
  server.set_keep_alive_max_count(1000);
  server.set_payload_max_length(settings.maxBody);
  server.set_tcp_nodelay(true);  // answers go out in two writes: no Nagle wait between them
  Impl* impl = m_impl.get();
  server.Post(".*", [impl](const httplib::Request& req, httplib::Response& res) { impl->Handle(req, res); });
  auto notAllowed = [](const httplib::Request&, httplib::Response& res) {
    res.status = 405;
    res.set_header("Allow", "POST");
  };
  server.Get(".*", notAllowed);
  server.Put(".*", notAllowed);
  server.Delete(".*", notAllowed);
  server.Patch(".*", notAllowed);
  server.Options(".*", notAllowed);
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
  });
  server.set_logger([impl](const httplib::Request& req, const httplib::Response& res) { impl->Log(req, res); });
  if (settings.port == 0) {
    m_port = server.bind_to_any_port(settings.address);
  } else {
    m_port = server.bind_to_port(settings.address, settings.port) ? settings.port : -1;
  }
  if (m_port <= 0) {
    *error = "cannot listen on " + settings.address + ":" + std::to_string(settings.port) +
             " (address not local, or the port is taken)";
    return false;
  }
  return true;
}

void HttpFront::Run() {
  if (m_impl->server) m_impl->server->listen_after_bind();
}

void HttpFront::Stop() {
  if (m_impl->server) m_impl->server->stop();
}

}  // namespace zubwbem
