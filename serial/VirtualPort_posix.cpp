#include "PosixSpeed.h"
#include "VirtualPort.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

bool SetFlags(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) != -1 && fcntl(fd, F_SETFD, FD_CLOEXEC) != -1;
}

bool ApplySettings(int fd, const TLineSettings& s, std::string& error) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) {
    error = SystemError("cannot read the terminal settings");
    return false;
  }
  // Raw: every byte passes unchanged, no echo, no line editing, no signals.
  cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
  t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
  static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= sizes[(s.DataBits < 5 || s.DataBits > 8 ? 8 : s.DataBits) - 5] | CLOCAL | CREAD;
  switch (s.Parity) {
  case 'O':
    t.c_cflag |= PARENB | PARODD;
    break;
  case 'E':
    t.c_cflag |= PARENB;
    break;
#ifdef CMSPAR
  case 'M':
    t.c_cflag |= PARENB | PARODD | CMSPAR;
    break;
  case 'S':
    t.c_cflag |= PARENB | CMSPAR;
    break;
#endif
  default:
    break;
  }
  if (s.StopBits == 2)
    t.c_cflag |= CSTOPB;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  // A rate without a constant of its own stays as it was: a pseudo-terminal
  // ignores it anyway.
  if (const speed_t speed = serial_detail::PosixSpeed(s.BaudRate); speed != B0) {
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
  }
  if (tcsetattr(fd, TCSANOW, &t) != 0) {
    error = SystemError("cannot apply the line settings");
    return false;
  }
  return true;
}

} // namespace

VirtualPort::~VirtualPort() {
  Close();
}

bool VirtualPort::Supported() {
  return true;
}

bool VirtualPort::Open(const TLineSettings& settings, std::string& error) {
  Close();
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ == -1) {
    error = SystemError("cannot create a pseudo-terminal");
    return false;
  }
  char name[PATH_MAX] = {};
  if (!SetFlags(master_) || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    error = SystemError("cannot set up the pseudo-terminal");
    Close();
    return false;
  }
  slavePath_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ == -1) {
    error = SystemError(("cannot open " + slavePath_).c_str());
    Close();
    return false;
  }
  if (!ApplySettings(slave_, settings, error)) {
    Close();
    return false;
  }
  tcflush(slave_, TCIOFLUSH);
  return true;
}

void VirtualPort::Close() {
  RemoveLink();
  if (slave_ != -1)
    ::close(slave_);
  if (master_ != -1)
    ::close(master_);
  slave_ = master_ = -1;
  slavePath_.clear();
}

bool VirtualPort::CreateLink(const std::string& linkPath, std::string& error) {
  if (!IsOpen()) {
    error = "the virtual port is not open";
    return false;
  }
  struct stat st {};
  if (lstat(linkPath.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = linkPath + " exists and is not a symbolic link; not replacing it";
      return false;
    }
    if (unlink(linkPath.c_str()) != 0) {
      error = SystemError(("cannot replace " + linkPath).c_str());
      return false;
    }
  }
  if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
    error = SystemError(("cannot create the link " + linkPath).c_str());
    return false;
  }
  linkPath_ = linkPath;
  return true;
}

void VirtualPort::RemoveLink() {
  if (linkPath_.empty())
    return;
  // Leave it alone if somebody has pointed it elsewhere meanwhile.
  char target[PATH_MAX] = {};
  const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
  if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_)
    unlink(linkPath_.c_str());
  linkPath_.clear();
}

int VirtualPort::Waiting() const {
  int n = 0;
  if (slave_ == -1 || ioctl(slave_, FIONREAD, &n) != 0)
    return 0;
  return n;
}

void VirtualPort::DropIfWaiting(std::size_t atLeast) {
  const int waiting = Waiting();
  if (waiting > 0 && static_cast<std::size_t>(waiting) >= atLeast)
    tcflush(slave_, TCIFLUSH);
}

void VirtualPort::DropStale(std::chrono::milliseconds age) {
  if (Waiting() > 0 && std::chrono::steady_clock::now() - lastWrite_ >= age)
    tcflush(slave_, TCIFLUSH);
}

bool VirtualPort::Write(const std::string& bytes, int timeoutMs) {
  if (!IsOpen())
    return false;
  using Clock = std::chrono::steady_clock;
  std::size_t done = 0;
  auto lastProgress = Clock::now();
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      lastProgress = Clock::now();
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      break;
    const auto left = std::chrono::milliseconds(timeoutMs) -
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress);
    if (left.count() < 0)
      break;
    pollfd p{master_, POLLOUT, 0};
    poll(&p, 1, static_cast<int>(left.count()) + 1);
  }
  if (done > 0)
    lastWrite_ = Clock::now();
  return done == bytes.size();
}

std::string VirtualPort::Read(int timeoutMs) {
  if (!IsOpen())
    return {};
  pollfd p{master_, POLLIN, 0};
  int r;
  do
    r = poll(&p, 1, timeoutMs);
  while (r < 0 && errno == EINTR);
  if (r <= 0 || !(p.revents & POLLIN))
    return {};
  char buffer[256];
  const ssize_t n = ::read(master_, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}
