// The four commands of p03. Each returns the process exit status: 0 done,
// 1 a run-time failure (already reported on stderr). Usage errors are thrown
// as UsageError before anything touches a port.
#pragma once

#include "Options.h"
#include "P03Decoder.h"

#include <iosfwd>
#include <string>

namespace p03tool {

int RunEncode(const FrameOptions& frame, bool raw);
int RunSend(const FrameOptions& frame, const TLineSettings& line, const std::string& port);

struct ServeOptions {
  bool demand = false;
  double rate = 10;   // frames per second, continuous mode
  int trigger = 0x05; // request byte, demand mode; -1 for any byte
  std::string port;   // empty: a virtual port
  std::string link;   // virtual port only
};
int RunServe(const FrameOptions& frame, const TLineSettings& line, const ServeOptions& serve);

struct MonitorOptions {
  std::string port;  // read from this port...
  std::string input; // ...or from this file ("-": standard input)
  P03::DecoderOptions decoder;
  long count = 0;     // stop after this many frames; 0: no limit
  double timeout = 0; // seconds; 0: no limit
};
int RunMonitor(const TLineSettings& line, const MonitorOptions& monitor);

// The text monitor prints for one event; `number` counts frames from 1.
std::string Describe(const P03::DecodeEvent& event, long number);

} // namespace p03tool
