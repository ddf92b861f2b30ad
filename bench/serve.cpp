// p03 serve over a pseudo-terminal, as a scale reader meets it: how fast an
// answer comes back, how steady the continuous rate is, and what serving costs.
#include "P03Decoder.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A p03 serve child on a virtual port and a reader on that port.
class Server {
public:
  explicit Server(std::vector<std::string> args) {
    args.insert(args.begin(), {P03_TOOL_PATH, "serve"});
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string path;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
      path += c;
    close(out[0]);
    reader_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (reader_ >= 0) {
      termios t{};
      tcgetattr(reader_, &t);
      cfmakeraw(&t);
      tcsetattr(reader_, TCSANOW, &t);
    }
  }
  ~Server() {
    if (reader_ >= 0)
      close(reader_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Ok() const { return pid_ > 0 && reader_ >= 0; }
  int Reader() const { return reader_; }

  // Stops the child; its user plus system CPU time over its whole life, in seconds.
  double StopAndGetCpuSeconds() {
    if (pid_ <= 0)
      return 0;
    kill(pid_, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid_, &status, 0, &usage);
    pid_ = -1;
    const auto seconds = [](timeval t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }

private:
  pid_t pid_ = -1;
  int reader_ = -1;
};

std::size_t ReadSome(int fd, std::string& into, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0)
    return 0;
  char buffer[512];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n <= 0)
    return 0;
  into.append(buffer, static_cast<std::size_t>(n));
  return static_cast<std::size_t>(n);
}

double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// ENQ written by the reader to the last byte of the answer read back.
void BM_DemandEnqToLastByte(benchmark::State& state) {
  Server server({"--mode", "demand", "-w", "12,34", "-c", "standard"});
  if (!server.Ok()) {
    state.SkipWithError("serve did not start");
    return;
  }
  std::vector<double> micros;
  const auto start = Clock::now();
  for (auto _ : state) {
    std::string answer;
    const auto t0 = Clock::now();
    if (write(server.Reader(), "\x05", 1) != 1) {
      state.SkipWithError("write failed");
      return;
    }
    while (answer.size() < 18)
      if (ReadSome(server.Reader(), answer, 1000) == 0) {
        state.SkipWithError("no answer");
        return;
      }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  state.counters["median_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
  state.counters["serve_cpu_pct"] = 100.0 * server.StopAndGetCpuSeconds() / wall;
}
BENCHMARK(BM_DemandEnqToLastByte)->Iterations(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Continuous mode at 10 Hz read for 10 s: frames per second held, and CPU.
void BM_Continuous10HzFor10s(benchmark::State& state) {
  for (auto _ : state) {
    Server server({"--rate", "10", "-w", "12,34", "-c", "standard"});
    if (!server.Ok()) {
      state.SkipWithError("serve did not start");
      return;
    }
    // Start on a frame boundary: the first frame read starts the clock.
    std::string bytes;
    while (bytes.size() < 18)
      ReadSome(server.Reader(), bytes, 1000);
    bytes.clear();
    const auto start = Clock::now();
    std::vector<double> arrivals;
    P03::StreamDecoder decoder({P03::ChecksumMode::Standard, false});
    while (Clock::now() - start < std::chrono::seconds(10)) {
      std::string chunk;
      if (ReadSome(server.Reader(), chunk, 200) == 0)
        continue;
      for (const auto& e : decoder.Feed(chunk))
        if (e.kind == P03::DecodeEvent::Kind::Frame)
          arrivals.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < arrivals.size(); ++i)
      gaps.push_back(1000.0 * (arrivals[i] - arrivals[i - 1]));
    state.counters["frames"] = static_cast<double>(arrivals.size());
    state.counters["rate_hz"] = static_cast<double>(arrivals.size()) / wall;
    state.counters["gap_p50_ms"] = gaps.empty() ? 0 : Percentile(gaps, 0.5);
    state.counters["gap_p99_ms"] = gaps.empty() ? 0 : Percentile(gaps, 0.99);
    state.counters["serve_cpu_pct"] = 100.0 * server.StopAndGetCpuSeconds() / wall;
  }
}
BENCHMARK(BM_Continuous10HzFor10s)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// Demand mode with nobody asking: what an idle scale costs.
void BM_DemandIdleFor5s(benchmark::State& state) {
  for (auto _ : state) {
    Server server({"--mode", "demand"});
    if (!server.Ok()) {
      state.SkipWithError("serve did not start");
      return;
    }
    const auto start = Clock::now();
    poll(nullptr, 0, 5000);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["serve_cpu_pct"] = 100.0 * server.StopAndGetCpuSeconds() / wall;
  }
}
BENCHMARK(BM_DemandIdleFor5s)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
