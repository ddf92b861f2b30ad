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

namespace {

class Pty {
public:
  Pty() {
    char name[PATH_MAX] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
      path_ = name;
    }
  }
  ~Pty() {
    if (master_ >= 0) {
      close(master_);
    }
    if (slave_ >= 0) {
      close(slave_);
    }
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& path() const { return path_; }

  // Blocks until `count` bytes have come through.
  bool drain(size_t count) const {
    char sink[256];
    while (count > 0) {
      const ssize_t n = read(master_, sink, count < sizeof sink ? count : sizeof sink);
      if (n <= 0) {
        return false;
      }
      count -= static_cast<size_t>(n);
    }
    return true;
  }

private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

double percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) {
    return 0;
  }
  const size_t rank = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(rank), samples.end());
  return samples[rank];
}

void SendFrame18(benchmark::State& state) {
  Pty pty;
  if (!pty.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  TCommPortDriver drv;
  drv.Port = pnCustom;
  drv.PortName = pty.path();
  drv.BaudRate = brCustom;
  drv.BaudRateValue = 4800;
  drv.StopBits = sb2BITS;
  drv.Parity = ptEVEN;
  drv.HwFlow = hfNONE;
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
    if (!sent || !pty.drain(frame.size())) {
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
