#include "Commands.h"
#include "Signals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace p03tool {

namespace {

using Clock = std::chrono::steady_clock;

const char* YesNo(bool b) {
  return b ? "yes" : "no";
}

std::string Byte(uint8_t b) {
  return Hex(std::string(1, static_cast<char>(b)));
}

std::string PrecisionText(const P03::DecodedFrame& f) {
  static const char* const factors[] = {"", "x10", "x1", "x0.1", "x0.01", "x0.001", "x0.0001"};
  return (f.precisionValid ? std::string(factors[f.precisionCode]) : std::string("undefined")) + " (code " +
         std::to_string(f.precisionCode) + ")";
}

std::string Problems(const P03::DecodedFrame& f) {
  std::string p;
  const auto add = [&p](const char* what) { p += p.empty() ? what : std::string(", ") + what; };
  if (!f.fixedBitsValid)
    add("fixed status bits wrong");
  if (!f.precisionValid)
    add("precision code undefined");
  if (f.incrementCode == 0)
    add("increment code 0");
  if (!f.fieldsValid)
    add("a field is not six digits");
  return p;
}

struct Tally {
  long frames = 0;
  long limit = 0;
  bool hintParity = false; // say once that bit 7 looks like a parity bit
  bool Done() const { return limit > 0 && frames >= limit; }
};

void Print(const std::vector<P03::DecodeEvent>& events, Tally& tally) {
  for (const auto& event : events) {
    if (tally.Done())
      return;
    if (event.kind == P03::DecodeEvent::Kind::Frame)
      ++tally.frames;
    std::cout << Describe(event, tally.frames);
    if (tally.hintParity && event.kind == P03::DecodeEvent::Kind::Garbage &&
        event.bytes.find('\x82') != std::string::npos) {
      std::cout.flush();
      std::cerr
          << "p03: hint: bytes 0x82 look like STX with a parity bit in bit 7 (a 7-bit line read as 8 data "
             "bits); try --strip-bit7\n";
      tally.hintParity = false;
    }
  }
  std::cout.flush();
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

} // namespace

std::string Describe(const P03::DecodeEvent& event, long number) {
  using Kind = P03::DecodeEvent::Kind;
  std::ostringstream out;
  if (event.kind == Kind::Garbage) {
    out << "garbage (" << event.bytes.size() << " bytes): " << Hex(event.bytes) << "\n";
    return out.str();
  }
  if (event.kind == Kind::CutFrame) {
    out << "cut frame (" << event.bytes.size() << " bytes): " << Hex(event.bytes) << "\n";
    return out.str();
  }
  const P03::DecodedFrame& f = event.frame;
  out << "frame " << number << ": " << Hex(f.bytes) << "\n";
  if (f.fieldsValid && f.precisionValid)
    out << "  weight " << f.weightText << " (sign " << (f.negative ? '-' : '+') << ", "
        << (f.net ? "net" : "gross") << "), tare " << f.tareText << "\n";
  else
    out << "  weight field '" << f.weightDigits << "', tare field '" << f.tareDigits << "' ("
        << (f.net ? "net" : "gross") << ")\n";
  out << "  SWA " << Byte(f.swa) << ": precision " << PrecisionText(f) << ", increment " << f.increment
      << " (code " << f.incrementCode << "), parity flag " << YesNo(f.swaParity) << "\n";
  out << "  SWB " << Byte(f.swb) << ": net " << YesNo(f.net) << ", negative " << YesNo(f.negative)
      << ", overload " << YesNo(f.overload) << ", motion " << YesNo(f.motion) << ", auto-zeroed "
      << YesNo(f.autoZeroed) << ", parity flag " << YesNo(f.swbParity) << "\n";
  out << "  SWC " << Byte(f.swc) << ": print key " << YesNo(f.printKey) << ", expanded " << YesNo(f.expanded)
      << ", parity flag " << YesNo(f.swcParity) << "\n";
  if (f.hasChecksum)
    out << "  checksum " << Byte(f.checksum) << ": standard " << (f.standardChecksumHolds ? "holds" : "fails")
        << ", window " << (f.windowChecksumHolds ? "holds" : "fails") << "\n";
  else
    out << "  no checksum byte\n";
  if (!f.WellFormed())
    out << "  not well formed: " << Problems(f) << "\n";
  return out.str();
}

int RunMonitor(const TLineSettings& line, const MonitorOptions& m) {
  const StopSignals signals;
  P03::DecoderOptions options = m.decoder;
  // Bit 7 cannot be data on a line of seven or fewer data bits, whatever the
  // device hands over (a pseudo-terminal passes it on unchanged).
  if (!m.port.empty() && line.DataBits < 8)
    options.stripBit7 = true;
  P03::StreamDecoder decoder(options);
  Tally tally;
  tally.limit = m.count;
  tally.hintParity = !options.stripBit7;
  const auto start = Clock::now();
  const auto deadline =
      m.timeout > 0
          ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m.timeout))
          : Clock::time_point::max();
  const auto remainingMs = [&] {
    if (deadline == Clock::time_point::max())
      return 100;
    return static_cast<int>(std::clamp<long long>(
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count(), 0, 100));
  };
  bool ended = false; // the input ran out

  if (!m.input.empty()) {
    const bool stdinInput = m.input == "-";
    const int fd = stdinInput ? 0 : open(m.input.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::cerr << "p03: cannot read " << m.input << ": " << std::strerror(errno) << "\n";
      return 1;
    }
    while (!tally.Done() && !signals.Stopped() && Clock::now() < deadline) {
      pollfd fds[2] = {{fd, POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
      if (poll(fds, 2, remainingMs()) <= 0)
        continue;
      if (fds[0].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0) {
        std::cerr << "p03: reading " << m.input << " failed: " << std::strerror(errno) << "\n";
        if (!stdinInput)
          close(fd);
        return 1;
      }
      if (n == 0) {
        Print(decoder.Finish(), tally);
        ended = true;
        break;
      }
      Print(decoder.Feed(std::string_view(buffer, static_cast<std::size_t>(n))), tally);
    }
    if (!stdinInput)
      close(fd);
  } else {
    TCommPortDriver driver;
    ConfigureDriver(driver, line, m.port);
    if (!driver.OpenPort()) {
      std::cerr << "p03: cannot open " << m.port
                << " (no such device, held by another program, or it refuses the line settings)\n";
      return 1;
    }
    while (!tally.Done() && !signals.Stopped() && Clock::now() < deadline) {
      const std::string received = driver.ReadText(remainingMs());
      // A quiet spell ends whatever only waited for a possible checksum byte.
      Print(received.empty() ? decoder.Flush() : decoder.Feed(received), tally);
    }
    Print(decoder.Flush(), tally);
  }

  if (m.count > 0 && !tally.Done() && !signals.Stopped()) {
    std::cerr << "p03: " << (ended ? "the input ended" : "timed out") << " after " << tally.frames << " of "
              << m.count << " frames";
    if (!ended)
      std::cerr << " (" << Seconds(Clock::now() - start) << " s)";
    std::cerr << "\n";
    return 1;
  }
  return 0;
}

} // namespace p03tool
