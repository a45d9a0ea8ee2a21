// http_front.h: the HTTP(S) side of the server: a thread per connection
// (up to `threads`, see connection_threads.h) with read time-outs and a body
// limit, Basic authentication, CIM-XML requests to the operations, the
// simulation's changes at POST /sim, and one log line per request.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "host/wbem/auth.h"
#include "host/wbem/operations.h"

namespace zubwbem {

struct HttpSettings {
  std::string address = "127.0.0.1";
  int port = 5988;              // 0: any free port
  std::string certFile;         // both set: HTTPS
  std::string keyFile;
  size_t threads = 256;         // connections served at once
  int readTimeoutSeconds = 5;
  size_t maxBody = 4 * 1024 * 1024;
};

// The answers a server's heap keeps room for once freed
// (platform::KeepLargeBlocks): an enumeration of a thousand disks is about
// 6 MiB of CIM-XML, built, framed and sent per request.
constexpr size_t kKeptAnswerBytes = size_t{32} << 20;

// The answer to a POST /sim: HTTP status and a JSON body.
struct SimAnswer {
  int http;
  std::string json;
};
using SimHandler = std::function<SimAnswer(const std::string& body)>;

class HttpFront {
 public:
  // `auth` may be null (no authentication); `sim` may be empty (no /sim).
  HttpFront(Operations& operations, const Authenticator* auth, SimHandler sim, std::ostream& log);
  ~HttpFront();
  HttpFront(const HttpFront&) = delete;
  HttpFront& operator=(const HttpFront&) = delete;

  // Sets up and binds; false with *error (a bad certificate, a busy port).
  bool Bind(const HttpSettings& settings, std::string* error);
  int Port() const { return m_port; }
  // Serves until Stop (from any thread).
  void Run();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  int m_port = 0;
};

bool IsLoopback(const std::string& address);

}  // namespace zubwbem
