// provider_bench.cpp: what a host request costs on the provider side: a
// class rebuild through the wrappers (sessions, two-step enumeration, record
// copies under the lock), the copy-out, and the path parser that every
// extrinsic method runs on its references.
#include <benchmark/benchmark.h>

#include <string>

#include "classes/system/computer_system.h"
#include "framework/object_path.h"
#include "sim/abru2_control.h"

namespace {

std::string Controllers(int n) {
  std::string json = R"({"middleware_version": "1.0", "controllers": [)";
  for (int i = 0; i < n; ++i) {
    if (i) json += ",";
    json += R"({"name": "Controller )" + std::to_string(i) + R"(", "disks": []})";
  }
  return json + "]}";
}

void BM_ComputerSystemUpdate(benchmark::State& state) {
  abru2sim::ResetToDefault();
  std::string error;
  if (!abru2sim::LoadTopologyText(Controllers(static_cast<int>(state.range(0))), &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  CZubComputerSystemInterface* cs = PROVIDER_CreateZubComputerSystemInstance();
  CArrayT<stZUB_ComputerSystem> out;
  for (auto _ : state) {
    cs->Update();
    cs->GetData(&out);
    benchmark::DoNotOptimize(out.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ComputerSystemUpdate)->Arg(1)->Arg(8)->Arg(64);

void BM_ParsePath(benchmark::State& state) {
  const CZubString text(
      L"\\\\host\\root\\Corvo_ZUB:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\","
      L"DeviceID=\"Data_5000\",SystemCreationClassName=\"Corvo_ZUBe3.0\",SystemName=\"Volume_5000\"");
  CWbemObjectPath path;
  for (auto _ : state) {
    path.ParsePath(text);
    benchmark::DoNotOptimize(path.m_keys.GetCount());
  }
}
BENCHMARK(BM_ParsePath);

}  // namespace

BENCHMARK_MAIN();
