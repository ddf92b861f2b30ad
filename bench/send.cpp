// Time of one SendText of an 18-byte frame onto a pseudo-terminal whose far
// end is drained after every call. A pty has no line time, so this is the
// call's own cost (poll, write, the output-queue check); on a real line at
// 4800 bit/s 8E2 the same frame adds some 45 ms of line time on top.
//
// Each iteration is timed by hand around SendText alone; the draining of the
// far end is left out. Besides the mean that the library reports, the median
// and the 99th percentile of the single calls are given as counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "CPDrv.h"
#include "PtyPair.h"

namespace {

double percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) {
    return 0;
  }
  const size_t rank = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(rank), samples.end());
  return samples[rank];
}

void SendFrame18(benchmark::State& state) {
  PtyPair pty;
  if (!pty.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  if (!drv.OpenPort()) {
    state.SkipWithError("OpenPort failed");
    return;
  }

  // STX, SWA SWB SWC, weight, tare, CR, checksum.
  const std::string frame("\x02\x31\x20\x20"
                          "001234"
                          "000100"
                          "\x0d\x5a",
                          18);
  std::vector<double> micros;
  micros.reserve(1 << 20);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool sent = drv.SendText(frame);
    const auto took = std::chrono::steady_clock::now() - start;
    if (!sent || pty.receiveExactly(frame.size(), 1000).size() != frame.size()) {
      state.SkipWithError("the frame did not go through");
      break;
    }
    const double seconds = std::chrono::duration<double>(took).count();
    state.SetIterationTime(seconds);
    micros.push_back(seconds * 1e6);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
  state.counters["median_us"] = percentile(micros, 0.50);
  state.counters["p99_us"] = percentile(micros, 0.99);
}

BENCHMARK(SendFrame18)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
