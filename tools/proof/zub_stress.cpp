// zub_stress: the stress run at full size (stress_run.h), as a program that
// prints what it saw: listings done, changes applied, alerts delivered and
// expected, data races (ThreadSanitizer reports, in a build with
// ZUB_TSAN=ON), deadlocks (its watchdog ends the run with exit 3) and
// crashes (a crash ends it before the report). Exit 0 when everything held.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cstdio>

#include "sim/abru2_control.h"
#include "tools/proof/stress_run.h"

#if defined(__SANITIZE_THREAD__)
namespace {
std::atomic<unsigned long long> g_tsanReports{0};
}
// ThreadSanitizer calls this for every report it prints.
extern "C" void __tsan_on_report(void*) { ++g_tsanReports; }
#endif

int main(int argc, char** argv) {
  zubproof::StressOptions options;
  CLI::App app{"The provider library under load: host threads list every class while the RAID stack changes"};
  app.add_option("--listers", options.listers, "host threads that list and call methods")->capture_default_str();
  app.add_option("--changes", options.changes, "random changes of the simulated RAID stack")->capture_default_str();
  app.add_option("--seed", options.seed, "seed of the changes")->capture_default_str();
  app.add_option("--watchdog", options.watchdogSeconds, "seconds without progress that count as a deadlock")
      ->capture_default_str();
  app.add_option("--latency-us", options.latencyUs, "microseconds added to every middleware call")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  if (SsiInitialize() != SSI_STATUS_SUCCESS) {
    std::fprintf(stderr, "zub_stress: the simulated RAID stack did not start\n");
    return 1;
  }
  const zubproof::StressReport r = zubproof::RunStress(options);
  const auto n = [](uint64_t v) { return static_cast<unsigned long long>(v); };
  std::printf("listings done:      %llu (every class, %d threads; %llu method calls)\n", n(r.listings),
              options.listers, n(r.methodCalls));
  std::printf("changes applied:    %llu (", n(r.changes));
  for (size_t i = 0; i < r.changeKinds.size(); ++i) std::printf("%s%s", i ? ", " : "", r.changeKinds[i].c_str());
  std::printf(")\n");
  std::printf("alerts delivered:   %llu\n", n(r.alertsDelivered));
  std::printf("alerts expected:    %llu\n", n(r.alertsExpected));
  std::printf("changes whose alerts differ: %zu\n", r.mismatches.size());
  for (size_t i = 0; i < r.mismatches.size() && i < 20; ++i) std::printf("  %s\n", r.mismatches[i].c_str());
#if defined(__SANITIZE_THREAD__)
  const unsigned long long races = g_tsanReports.load();
  std::printf("data races:         %llu (ThreadSanitizer reports)\n", races);
#else
  const unsigned long long races = 0;
  std::printf("data races:         not checked (build with -DZUB_TSAN=ON)\n");
#endif
  std::printf("deadlocks:          0 (watchdog %d s)\n", options.watchdogSeconds);
  std::printf("crashes:            0\n");
  std::printf("exceptions:         %llu\n", n(r.exceptions));
  std::printf("sessions left open: %llu\n", n(r.sessionsLeftOpen));
  const bool held = r.mismatches.empty() && races == 0 && r.exceptions == 0 && r.sessionsLeftOpen == 0;
  return held ? 0 : 4;
}
