// wbem_bench.cpp: a benchmark client of the WBEM server over loopback. It
// starts the server in this process on a free 127.0.0.1 port (logging to
// nowhere), then measures, with one and with eight concurrent clients (each
// on its own keep-alive connection):
//   - EnumerateInstances of ZUB_StorageExtentDisk on a generated topology of
//     1024 disks (8 controllers of 128);
//   - GetInstance of one disk on the built-in topology.
// It prints requests per second, latency percentiles and the process's CPU
// time (server and clients) per case, and apart from them each case's
// slowest first request of a client.
//   build/bin/zub_wbem_bench [--quick]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <latch>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "framework/catalog.h"
#include "host/kit/session.h"
#include "host/wbem/http_front.h"
#include "platform/process/process.h"
#include "sim/abru2_control.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Envelope(const std::string& op, const std::string& params) {
  return R"(<?xml version="1.0" encoding="utf-8" ?><CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4711" PROTOCOLVERSION="1.0"><SIMPLEREQ><IMETHODCALL NAME=")" +
         op + R"("><LOCALNAMESPACEPATH><NAMESPACE NAME="root"/><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH>)" + params +
         "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>";
}

std::string BigTopology() {
  std::string json = R"({"middleware_version": "1", "controllers": [)";
  int handle = 100000;
  for (int c = 0; c < 8; ++c) {
    json += std::string(c ? "," : "") + R"({"name": "Controller )" + std::to_string(c) + R"(", "type": 2, "disks": [)";
    for (int d = 0; d < 128; ++d) {
      const std::string id = std::to_string(++handle);
      json += std::string(d ? "," : "") + R"({"handle": )" + id + R"(, "serial": "SN)" + id + R"(", "model": "BENCH DISK"})";
    }
    json += "]}";
  }
  return json + "]}";
}

// CPU time of the whole process (server and clients), in seconds.
double ProcessCpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Result {
  double seconds;
  double cpuSeconds;
  std::vector<double> ms;  // one per timed request
  double firstMs = 0;      // the slowest client's first request
  size_t failures = 0;
  size_t bytes = 0;
};

// Each client's first request is not timed with the others: it is the one
// that starts the connection's server thread and that thread's heap (eight
// answers of megabytes faulted in at once). The clients then start together.
Result Run(int port, const std::string& op, const std::string& body, int clients, int perClient) {
  Result result;
  std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
  std::vector<double> first(static_cast<size_t>(clients));
  std::vector<size_t> failures(static_cast<size_t>(clients)), bytes(static_cast<size_t>(clients));
  std::latch warmed(clients), go(1);
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      const size_t at = static_cast<size_t>(c);
      httplib::Client client("127.0.0.1", port);
      client.set_keep_alive(true);
      client.set_tcp_nodelay(true);
      client.set_read_timeout(60, 0);
      httplib::Headers headers = {{"CIMOperation", "MethodCall"}, {"CIMMethod", op}, {"CIMObject", "root%2Fcorvo_zub"}};
      const auto post = [&](double* ms) {
        const Clock::time_point t = Clock::now();
        httplib::Result r = client.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
        *ms = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
        if (!r || r->status != 200 || r->body.find("<ERROR") != std::string::npos) ++failures[at];
        else bytes[at] = r->body.size();
      };
      post(&first[at]);
      warmed.count_down();
      go.wait();
      for (int i = 0; i < perClient; ++i) post(&latencies[at].emplace_back());
    });
  }
  warmed.wait();
  const Clock::time_point start = Clock::now();
  const double cpuStart = ProcessCpuSeconds();
  go.count_down();
  for (std::thread& t : threads) t.join();
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
  for (size_t c = 0; c < latencies.size(); ++c) {
    result.ms.insert(result.ms.end(), latencies[c].begin(), latencies[c].end());
    result.firstMs = std::max(result.firstMs, first[c]);
    result.failures += failures[c];
    result.bytes = std::max(result.bytes, bytes[c]);
  }
  std::sort(result.ms.begin(), result.ms.end());
  return result;
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t at = static_cast<size_t>(p / 100.0 * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

void Report(const char* name, int clients, const Result& r) {
  const double requests = static_cast<double>(r.ms.size());
  std::printf("%-44s %d client%s %6zu req %9.0f req/s  p50 %7.2f  p90 %7.2f  p99 %7.2f  max %7.2f ms  "
              "CPU %6.2f ms/req (%.2f cores)  first %7.2f ms  %zu B/answer%s\n",
              name, clients, clients == 1 ? " " : "s", r.ms.size(), requests / r.seconds, Percentile(r.ms, 50),
              Percentile(r.ms, 90), Percentile(r.ms, 99), r.ms.empty() ? 0 : r.ms.back(),
              requests ? 1000 * r.cpuSeconds / requests : 0, r.cpuSeconds / r.seconds, r.firstMs, r.bytes,
              r.failures ? "  FAILURES" : "");
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  platform::KeepLargeBlocks(zubwbem::kKeptAnswerBytes);  // as zubcim serve does
  zubcim::SessionOptions options;
  options.computerName = "benchhost";
  zubcim::Session session(options);
  zubwbem::Schema schema(ClassCatalog());
  zubwbem::ProviderGate gate(zubwbem::PathDefaults{"benchhost", zubwbem::ClassNs()});
  zubwbem::Operations operations(schema, gate);
  std::ostream nowhere(nullptr);
  zubwbem::HttpFront front(operations, nullptr, nullptr, nowhere);
  zubwbem::HttpSettings settings;
  settings.port = 0;
  std::string error;
  if (!front.Bind(settings, &error)) {
    std::fprintf(stderr, "zub_wbem_bench: %s\n", error.c_str());
    return 1;
  }
  std::thread server([&] { front.Run(); });
  const int port = front.Port();
  int failures = 0;

  const std::string getDisk = Envelope(
      "GetInstance",
      R"(<IPARAMVALUE NAME="InstanceName"><INSTANCENAME CLASSNAME="ZUB_StorageExtentDisk"><KEYBINDING NAME="CreationClassName"><KEYVALUE>ZUB_StorageExtentDisk</KEYVALUE></KEYBINDING><KEYBINDING NAME="DeviceID"><KEYVALUE>110</KEYVALUE></KEYBINDING><KEYBINDING NAME="SystemCreationClassName"><KEYVALUE>Corvo_ZUBe3.0</KEYVALUE></KEYBINDING><KEYBINDING NAME="SystemName"><KEYVALUE>Disk_110</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>)");
  const int n = quick ? 200 : 4000;
  for (int clients : {1, 8}) {
    Result r = Run(port, "GetInstance", getDisk, clients, n / clients);
    Report("GetInstance, built-in topology (8 disks)", clients, r);
    failures += static_cast<int>(r.failures);
  }

  if (!abru2sim::LoadTopologyText(BigTopology(), &error)) {
    std::fprintf(stderr, "zub_wbem_bench: %s\n", error.c_str());
    return 1;
  }
  const std::string enumerate =
      Envelope("EnumerateInstances", R"(<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME="ZUB_StorageExtentDisk"/></IPARAMVALUE>)");
  const int m = quick ? 16 : 200;
  for (int clients : {1, 8}) {
    Result r = Run(port, "EnumerateInstances", enumerate, clients, m / clients);
    Report("EnumerateInstances, 1024 disks", clients, r);
    failures += static_cast<int>(r.failures);
  }
  front.Stop();
  server.join();
  return failures ? 1 : 0;
}
