#include "Signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace p03tool {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stopped = 0;

extern "C" void OnStopSignal(int) {
  g_stopped = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
  errno = saved;
}

} // namespace

StopSignals::StopSignals() {
  if (g_pipe[0] != -1)
    return;
  if (pipe(g_pipe) == 0) {
    for (int fd : g_pipe) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP})
    sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int StopSignals::Fd() const {
  return g_pipe[0];
}

bool StopSignals::Stopped() const {
  return g_stopped != 0;
}

} // namespace p03tool
