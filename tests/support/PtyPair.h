// A fresh pseudo-terminal pair per test: the driver opens the slave by its
// path, the test plays the device on the far end through the master.
#pragma once

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "CPDrv.h"

class PtyPair {
public:
  PtyPair() {
    char name[PATH_MAX] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
      path_ = name;
      fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
  }
  ~PtyPair() {
    if (master_ >= 0) {
      close(master_);
    }
    if (slave_ >= 0) {
      close(slave_);
    }
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && slave_ >= 0; }
  const std::string& path() const { return path_; }
  int master() const { return master_; }
  // The test's own handle on the slave: for reading back the settings in
  // force. It holds no lock, so the driver's exclusivity is not disturbed.
  int slave() const { return slave_; }

  termios slaveSettings() const {
    termios t{};
    tcgetattr(slave_, &t);
    return t;
  }

  // What the far end receives: everything that arrives until the line has
  // been quiet for quietMs.
  std::string receive(int quietMs) const {
    std::string got;
    char chunk[4096];
    for (;;) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, quietMs) <= 0) {
        return got;
      }
      const ssize_t n = read(master_, chunk, sizeof chunk);
      if (n <= 0) {
        return got;
      }
      got.append(chunk, static_cast<size_t>(n));
    }
  }

  // Exactly `count` bytes, or fewer when the line stays quiet for quietMs.
  std::string receiveExactly(size_t count, int quietMs) const {
    std::string got;
    char chunk[4096];
    while (got.size() < count) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, quietMs) <= 0) {
        break;
      }
      const size_t want = count - got.size() < sizeof chunk ? count - got.size() : sizeof chunk;
      const ssize_t n = read(master_, chunk, want);
      if (n <= 0) {
        break;
      }
      got.append(chunk, static_cast<size_t>(n));
    }
    return got;
  }

  // Reads what is waiting now, without waiting for more.
  std::string receiveWaiting(size_t most = SIZE_MAX) const {
    std::string got;
    char chunk[4096];
    while (got.size() < most) {
      const size_t want = most - got.size() < sizeof chunk ? most - got.size() : sizeof chunk;
      const ssize_t n = read(master_, chunk, want);
      if (n <= 0) {
        break;
      }
      got.append(chunk, static_cast<size_t>(n));
    }
    return got;
  }

  // The far end goes away, as a pulled-out adapter does.
  void hangUp() {
    close(master_);
    master_ = -1;
  }

  bool transmit(const std::string& bytes) const {
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// How many bytes a pty takes from its slave side while nobody reads the
// master; it depends on the kernel.
inline size_t ptyCapacity() {
  PtyPair scratch;
  termios raw = scratch.slaveSettings();
  cfmakeraw(&raw);
  tcsetattr(scratch.slave(), TCSANOW, &raw);
  fcntl(scratch.slave(), F_SETFL, fcntl(scratch.slave(), F_GETFL) | O_NONBLOCK);
  const std::string chunk(4096, 'x');
  size_t taken = 0;
  for (;;) {
    const ssize_t n = write(scratch.slave(), chunk.data(), chunk.size());
    if (n <= 0) {
      return taken;
    }
    taken += static_cast<size_t>(n);
  }
}

// The settings the simulator's window gives its port, aimed at the pty.
inline void useWindowSettings(TCommPortDriver& drv, const PtyPair& pty) {
  drv.Port = pnCustom;
  drv.PortName = pty.path();
  drv.BaudRate = brCustom;
  drv.BaudRateValue = 4800;
  drv.StopBits = sb2BITS;
  drv.Parity = ptEVEN;
  drv.HwFlow = hfNONE;
}
