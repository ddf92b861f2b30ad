#include "Commands.h"
#include "Signals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iostream>
#include <poll.h>

namespace p03tool {

namespace {

using Clock = std::chrono::steady_clock;

// An answer still unread this long after it was written has no reader: a
// reader asks and then reads. Dropped, so the next reader starts clean.
constexpr std::chrono::milliseconds UnreadAnswerLife{1000};

bool IsRequest(unsigned char byte, int trigger, int dataBits) {
  if (trigger < 0)
    return true;
  // A reader on a narrower line than ours may still hand over its parity bit.
  const unsigned mask = dataBits < 8 ? (1u << dataBits) - 1 : 0xFFu;
  return (byte & mask) == static_cast<unsigned>(trigger);
}

Clock::duration Period(double rate) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

// Milliseconds for poll() until `when`, rounded up so that the wait never ends
// early and spins.
int MillisecondsUntil(Clock::time_point when) {
  const auto now = Clock::now();
  if (when <= now)
    return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(when - now).count());
}

// The next tick after now on the fixed grid start + k * period: the schedule
// never drifts, and ticks missed while busy are skipped, never sent in a burst.
Clock::time_point NextTick(Clock::time_point tick, Clock::duration period) {
  const auto now = Clock::now();
  do
    tick += period;
  while (tick <= now);
  return tick;
}

int ServeVirtual(const std::string& frame, const TLineSettings& line, const ServeOptions& serve,
                 const StopSignals& signals) {
  VirtualPort port;
  std::string error;
  if (!port.Open(line, error)) {
    std::cerr << "p03: " << error << "\n";
    return 1;
  }
  if (!serve.link.empty() && !port.CreateLink(serve.link, error)) {
    std::cerr << "p03: " << error << "\n";
    return 1;
  }
  std::cout << port.SlavePath() << std::endl;

  const auto period = Period(serve.rate);
  bool warned = false;
  const auto send = [&] {
    if (!port.Write(frame) && !warned) {
      // Readers come and go on a virtual port; a full queue is theirs to drain.
      std::cerr << "p03: warning: the virtual port took no byte for 500 ms; nobody is reading it\n";
      warned = true;
    }
  };

  auto next = Clock::now();
  while (!signals.Stopped()) {
    pollfd fds[2] = {{signals.Fd(), POLLIN, 0}, {port.MasterFd(), POLLIN, 0}};
    // On demand, wake once when the last answer turns stale (its bytes may not
    // even have reached the reader's queue yet, so do not ask whether they
    // wait), then sleep until a request.
    const auto staleAt = port.LastWrite() + UnreadAnswerLife;
    const int timeout = !serve.demand            ? MillisecondsUntil(next)
                        : Clock::now() < staleAt ? MillisecondsUntil(staleAt)
                                                 : -1;
    const int r = poll(fds, 2, timeout);
    if (r < 0 && errno != EINTR) {
      std::cerr << "p03: waiting on the virtual port failed\n";
      return 1;
    }
    if (signals.Stopped())
      break;
    if (serve.demand)
      port.DropStale(UnreadAnswerLife);
    if (fds[1].revents & POLLIN) {
      const std::string received = port.Read(0);
      if (serve.demand)
        for (unsigned char byte : received)
          if (IsRequest(byte, serve.trigger, line.DataBits))
            send();
    } else if (fds[1].revents & (POLLHUP | POLLERR)) {
      poll(nullptr, 0, 10); // cannot happen while the slave is held open; do not spin if it does
    }
    if (!serve.demand && Clock::now() >= next) {
      port.DropIfWaiting(frame.size());
      send();
      next = NextTick(next, period);
    }
  }
  return 0;
}

int ServeDriver(const std::string& frame, const TLineSettings& line, const ServeOptions& serve,
                const StopSignals& signals) {
  TCommPortDriver driver;
  ConfigureDriver(driver, line, serve.port);
  if (!driver.OpenPort()) {
    std::cerr << "p03: cannot open " << serve.port
              << " (no such device, held by another program, or it refuses the line settings)\n";
    return 1;
  }
  const auto send = [&] {
    if (driver.SendText(frame))
      return true;
    std::cerr << "p03: sending to " << serve.port << " failed or timed out (no byte taken for "
              << driver.OutputTimeout << " ms)\n";
    return false;
  };
  const auto period = Period(serve.rate);
  auto next = Clock::now();
  while (!signals.Stopped()) {
    if (serve.demand) {
      for (unsigned char byte : driver.ReadText(100))
        if (IsRequest(byte, serve.trigger, line.DataBits) && !send())
          return 1;
      continue;
    }
    pollfd stop{signals.Fd(), POLLIN, 0};
    poll(&stop, 1, MillisecondsUntil(next));
    if (signals.Stopped())
      break;
    if (Clock::now() >= next) {
      if (!send())
        return 1;
      next = NextTick(next, period);
    }
  }
  return 0;
}

} // namespace

int RunServe(const FrameOptions& frameOptions, const TLineSettings& line, const ServeOptions& serve) {
  const std::string frame = BuildFrame(frameOptions);
  std::cerr << DataBitsWarning(frame, line);
  if (!serve.demand) {
    const int bitsPerCharacter = 1 + line.DataBits + (line.Parity == 'N' ? 0 : 1) + line.StopBits;
    const double most = line.BaudRate / static_cast<double>(bitsPerCharacter * frame.size());
    if (serve.rate > most)
      std::cerr << "p03: warning: at " << line.BaudRate << " bit/s a real line carries at most " << most
                << " of these frames a second; --rate " << serve.rate << " holds only on a virtual port\n";
  }
  if (serve.port.empty() && !VirtualPort::Supported()) {
    std::cerr
        << "p03: this platform has no pseudo-terminals, so serve cannot make a virtual port; give --port\n";
    return 1;
  }
  // Installed before the port is opened, so that a stop signal always finds
  // the cleanup (port released, link removed) in place.
  const StopSignals signals;
  return serve.port.empty() ? ServeVirtual(frame, line, serve, signals)
                            : ServeDriver(frame, line, serve, signals);
}

} // namespace p03tool
