// Serial-port driver for Linux and other POSIX systems, written directly on
// termios rather than on a toolkit's serial class: there is no write buffer of
// our own, so what SendText gives up on never goes out later, and the
// no-progress time-out is measured on the device itself.
#include "CPDrv.h"
#include "PosixSpeed.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The line format worked out from the public settings before the device is
// touched, so that a setting this platform cannot honour fails the open
// without disturbing whoever else might be using the port.
struct LineFormat {
  speed_t speed = B0;
  uint32_t rate = 0;
  tcflag_t size = CS8;
  tcflag_t parity = 0; // PARENB, PARODD, CMSPAR as needed
  bool twoStop = false;
  bool rtsCts = false;
  bool rtsOn = false;
  bool dtrOn = true;
  bool xonXoff = false;
  uint32_t bitsPerChar = 10;
};

#ifdef CMSPAR
constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
#else
constexpr tcflag_t kParityBits = PARENB | PARODD;
#endif

bool formatFrom(const TCommPortDriver& drv, LineFormat& f) {
  f.rate = drv.LineRate();
  f.speed = serial_detail::PosixSpeed(f.rate);
  if (f.speed == B0) {
    return false;
  }

  uint32_t dataBits = 0;
  switch (drv.DataBits) {
  case db5BITS:
    f.size = CS5;
    dataBits = 5;
    break;
  case db6BITS:
    f.size = CS6;
    dataBits = 6;
    break;
  case db7BITS:
    f.size = CS7;
    dataBits = 7;
    break;
  case db8BITS:
    f.size = CS8;
    dataBits = 8;
    break;
  default:
    return false;
  }

  switch (drv.StopBits) {
  case sb1BITS:
    f.twoStop = false;
    break;
  case sb2BITS:
    f.twoStop = true;
    break;
  default: // termios has no one-and-a-half stop bits
    return false;
  }

  switch (drv.Parity) {
  case ptNONE:
    f.parity = 0;
    break;
  case ptODD:
    f.parity = PARENB | PARODD;
    break;
  case ptEVEN:
    f.parity = PARENB;
    break;
#ifdef CMSPAR
  case ptMARK:
    f.parity = PARENB | CMSPAR | PARODD;
    break;
  case ptSPACE:
    f.parity = PARENB | CMSPAR;
    break;
#endif
  default:
    return false;
  }

  switch (drv.HwFlow) {
  case hfNONE:
    f.rtsCts = false;
    f.rtsOn = false;
    break;
  case hfNONERTSON:
    f.rtsCts = false;
    f.rtsOn = true;
    break;
  case hfRTSCTS:
    f.rtsCts = true;
    f.rtsOn = true;
    break;
  default:
    return false;
  }

  switch (drv.SwFlow) {
  case sfNONE:
    f.xonXoff = false;
    break;
  case sfXONXOFF:
    f.xonXoff = true;
    break;
  default:
    return false;
  }

  f.dtrOn = drv.EnableDTROnOpen;
  f.bitsPerChar = 1 + dataBits + (f.parity != 0 ? 1 : 0) + (f.twoStop ? 2 : 1);
  return true;
}

// The bits each flag word must show once the format is in force; the rest of
// the word is left as the device had it.
constexpr tcflag_t kInputMask =
    IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
constexpr tcflag_t kOutputMask = OPOST;
constexpr tcflag_t kLocalMask = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
constexpr tcflag_t kControlMask = CSIZE | CSTOPB | kParityBits | CRTSCTS | CREAD | CLOCAL;

void applyFormat(termios& t, const LineFormat& f) {
  t.c_iflag &= ~kInputMask;
  if (f.xonXoff) {
    t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
  }
  t.c_oflag &= ~kOutputMask;
  t.c_lflag &= ~kLocalMask;
  t.c_cflag &= ~kControlMask;
  t.c_cflag |= f.size | f.parity | CREAD | CLOCAL;
  if (f.twoStop) {
    t.c_cflag |= CSTOPB;
  }
  if (f.rtsCts) {
    t.c_cflag |= CRTSCTS;
  }
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, f.speed);
  cfsetospeed(&t, f.speed);
}

// A pseudo-terminal keeps only 8-bit characters without parity (the kernel
// rewrites CSIZE and PARENB whatever was asked) and has no modem lines. Both
// are fine for a pty; on a real device they mean the line is not as asked.
bool isPseudoTerminal(int fd) {
#ifdef __linux__
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
    return false;
  }
  const unsigned int devMajor = major(st.st_rdev);
  return (devMajor >= 136 && devMajor <= 143) || devMajor == 3; // Unix98 and legacy pty slaves
#else
  char name[256];
  return ttyname_r(fd, name, sizeof name) == 0 && std::strncmp(name, "/dev/pts/", 9) == 0;
#endif
}

bool inForce(const termios& want, const termios& got, bool pty) {
  const tcflag_t control = pty ? (kControlMask & ~(CSIZE | PARENB)) : kControlMask;
  if ((want.c_iflag ^ got.c_iflag) & kInputMask) {
    return false;
  }
  if ((want.c_oflag ^ got.c_oflag) & kOutputMask) {
    return false;
  }
  if ((want.c_lflag ^ got.c_lflag) & kLocalMask) {
    return false;
  }
  if ((want.c_cflag ^ got.c_cflag) & control) {
    return false;
  }
  const speed_t in = cfgetispeed(&got);
  return cfgetospeed(&got) == cfgetospeed(&want) && (in == cfgetispeed(&want) || in == B0);
}

bool setModemLine(int fd, int line, bool on) {
  int bits = line;
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

// Bytes written but still waiting in the kernel for the line. Where the
// device cannot tell, they count as gone.
size_t outputQueued(int fd, size_t written) {
  int queued = 0;
  if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
    return 0;
  }
  return static_cast<size_t>(queued) < written ? static_cast<size_t>(queued) : written;
}

int millisUntil(Clock::duration rest) {
  if (rest <= Clock::duration::zero()) {
    return 0;
  }
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(rest).count();
  return ms > 1000000 ? 1000000 : static_cast<int>(ms);
}

} // namespace

bool TCommPortDriver::OpenPort() {
  if (IsPortOpen()) {
    return true;
  }
  LineFormat format;
  if (!formatFrom(*this, format)) {
    return false;
  }
  const std::string path = DevicePath();
  if (path.empty()) {
    return false;
  }

  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    return false;
  }
  handle_ = fd;
  exclusive_ = false;

  // TIOCEXCL keeps other users out, but not root; the lock also stops a
  // second instance running as root. Lock first so that a losing opener
  // never touches the holder's TIOCEXCL.
  termios current{};
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || tcgetattr(fd, &current) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    releaseHandle();
    return false;
  }
  exclusive_ = true;

  const bool pty = isPseudoTerminal(fd);
  termios wanted = current;
  applyFormat(wanted, format);
  // tcsetattr may answer EINVAL with the format in force all the same: glibc
  // does so on a pty already in this format, as the pty never keeps the
  // parity flag asked for. What counts is the read-back below.
  if (tcsetattr(fd, TCSANOW, &wanted) != 0 && errno != EINVAL) {
    releaseHandle();
    return false;
  }
  termios applied{};
  if (tcgetattr(fd, &applied) != 0 || !inForce(wanted, applied, pty)) {
    releaseHandle();
    return false;
  }

  const bool linesSet =
      setModemLine(fd, TIOCM_DTR, format.dtrOn) && setModemLine(fd, TIOCM_RTS, format.rtsOn);
  if ((!linesSet && !pty) || tcflush(fd, TCIOFLUSH) != 0) {
    releaseHandle();
    return false;
  }

  openTimeout_ = OutputTimeout;
  byteMicros_ = (format.bitsPerChar * 1000000u + format.rate - 1) / format.rate;
  return true;
}

void TCommPortDriver::releaseHandle() {
  const int fd = static_cast<int>(handle_);
  if (exclusive_) {
    ioctl(fd, TIOCNXCL);
  }
  ::close(fd); // also drops the lock
  handle_ = -1;
  exclusive_ = false;
}

bool TCommPortDriver::SendText(const std::string& text) {
  if (!IsPortOpen()) {
    return false;
  }
  const int fd = static_cast<int>(handle_);
  const auto limit = std::chrono::milliseconds(openTimeout_);
  // How often a draining queue is looked at: about one character's time, so
  // that progress on the line is seen as it happens.
  const auto tick = std::chrono::microseconds(byteMicros_ < 1000    ? 1000
                                              : byteMicros_ > 10000 ? 10000
                                                                    : byteMicros_);

  // On giving up, whatever is still queued is thrown away: the caller is told
  // the text was not sent, so no part of it may reach the line afterwards.
  const auto giveUp = [fd] {
    tcflush(fd, TCOFLUSH);
    return false;
  };

  const size_t size = text.size();
  size_t written = 0;
  size_t pending = size; // not yet gone to the line: unwritten plus queued
  auto lastProgress = Clock::now();
  for (;;) {
    if (written < size) {
      const ssize_t n = ::write(fd, text.data() + written, size - written);
      if (n > 0) {
        written += static_cast<size_t>(n);
      } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        return giveUp(); // the device is gone or broken; waiting would not help
      }
    }
    const size_t queued = outputQueued(fd, written);
    const size_t left = (size - written) + queued;
    const auto now = Clock::now();
    if (left < pending) {
      pending = left;
      lastProgress = now;
    }
    if (left == 0) {
      return true;
    }
    const auto idle = now - lastProgress;
    if (idle > limit) {
      return giveUp();
    }
    // Sleep just past the limit (poll rounds up to whole milliseconds, +1
    // makes it "more than"), or one tick while bytes are draining.
    auto wait = limit - idle + std::chrono::milliseconds(1);
    if (queued > 0 && wait > tick) {
      wait = tick;
    }
    pollfd p{fd, static_cast<short>(written < size ? POLLOUT : 0), 0};
    const int r = poll(&p, 1, millisUntil(wait));
    if ((r < 0 && errno != EINTR) || (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))) {
      return giveUp(); // hung up: nothing more will be taken
    }
  }
}

std::string TCommPortDriver::ReadText(int timeoutMs) {
  std::string received;
  if (!IsPortOpen()) {
    return received;
  }
  const int fd = static_cast<int>(handle_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, millisUntil(deadline - Clock::now()));
    if (r > 0) {
      break;
    }
    if (r == 0 || errno != EINTR) {
      return received;
    }
  }
  // Take what is there now, bounded so that a device that never pauses
  // cannot hold the caller.
  constexpr size_t kMostPerCall = 1 << 16;
  char chunk[4096];
  while (received.size() < kMostPerCall) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      received.append(chunk, static_cast<size_t>(n));
    } else if (!(n < 0 && errno == EINTR)) {
      break;
    }
  }
  return received;
}
