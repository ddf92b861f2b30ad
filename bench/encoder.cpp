// Frames built per second: the three status words and the frame with its
// checksum, from texts as the window reads them.
#include "Brenvik_Unit.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace Brenvik_Unit;

static void BM_BuildFrame(benchmark::State& state) {
  const std::string weight = "012,34";
  const std::string tare = "000000";
  uint8_t precision = 0;
  for (auto _ : state) {
    const uint8_t swa = EncodeSWA(precision, 0, false);
    const uint8_t swb = EncodeSWB(true, false, false, false, false, false);
    const uint8_t swc = EncodeSWC(false, false, false);
    std::string frame = BuildP03String(swa, swb, swc, weight, tare, true);
    benchmark::DoNotOptimize(frame);
    precision = static_cast<uint8_t>((precision + 1) % 6);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames");
}
BENCHMARK(BM_BuildFrame);
