// SIGINT, SIGTERM and SIGHUP turned into something a poll() loop can wait on.
#pragma once

namespace p03tool {

class StopSignals {
public:
  // Installs the handlers (once per process) and ignores SIGPIPE.
  StopSignals();
  // Readable once a stop signal has arrived.
  int Fd() const;
  bool Stopped() const;
};

} // namespace p03tool
