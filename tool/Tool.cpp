#include "Tool.h"

#include "Commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace p03tool {

namespace {

constexpr int UsageStatus = 2;

const char* const Description =
    "p03: a Toledo P03 scale on the command line, for testing scale-reading software without a scale.\n"
    "Frames are STX SWA SWB SWC weight(6) tare(6) CR [checksum].\n"
    "Exit status: 0 done, 1 run-time failure (port will not open, send failed or timed out), 2 usage error.";

void AddFrameOptions(CLI::App& cmd, FrameOptions& f, std::string& checksum) {
  const char* g = "Frame";
  cmd.add_option("-w,--weight", f.weight, "Weight as typed: 12,34 or 001234 (digits kept, first six)")
      ->capture_default_str()
      ->group(g);
  cmd.add_option("-t,--tare", f.tare, "Tare as typed")->capture_default_str()->group(g);
  cmd.add_option("-p,--precision", f.precision,
                 "Display precision: index 0..5 or factor 10, 1, 0.1, 0.01, 0.001, 0.0001")
      ->capture_default_str()
      ->group(g);
  cmd.add_option("-i,--increment", f.increment, "Increment size: 1, 2 or 5")
      ->capture_default_str()
      ->check(CLI::IsMember({1, 2, 5}))
      ->group(g);
  auto* net = cmd.add_flag_callback(
                     "--net", [&f] { f.net = true; }, "SWB: net weight (the default)")
                  ->group(g);
  auto* gross = cmd.add_flag_callback(
                       "--gross", [&f] { f.net = false; }, "SWB: gross weight (net off)")
                    ->group(g);
  net->excludes(gross);
  cmd.add_flag("--negative", f.negative, "SWB: negative weight")->group(g);
  cmd.add_flag("--overload", f.overload, "SWB: overload (over range)")->group(g);
  cmd.add_flag("--motion", f.motion, "SWB: weight in motion")->group(g);
  cmd.add_flag("--auto-zero", f.autoZeroed, "SWB: auto-zeroed")->group(g);
  cmd.add_flag("--print-key", f.printKey, "SWC: print key pressed")->group(g);
  cmd.add_flag("--expanded", f.expanded, "SWC: expanded display")->group(g);
  cmd.add_flag("--parity-a", f.parityA, "SWA: parity flag (bit 7), set by hand")->group(g);
  cmd.add_flag("--parity-b", f.parityB, "SWB: parity flag (bit 7), set by hand")->group(g);
  cmd.add_flag("--parity-c", f.parityC, "SWC: parity flag (bit 7), set by hand")->group(g);
  cmd.add_option(
         "-c,--checksum", checksum,
         "Checksum byte after CR: none; standard (what P03 readers check: two's complement mod 128 of "
         "the 7-bit characters STX..CR); window (the simulator window's checksum switch)")
      ->capture_default_str()
      ->check(CLI::IsMember({"none", "standard", "window"}))
      ->group(g);
}

void AddLineOptions(CLI::App& cmd, LineOptions& l) {
  const char* g = "Line";
  cmd.add_option("-b,--baud", l.baud, "Line rate in bit/s")
      ->capture_default_str()
      ->check(CLI::Range(50u, 4000000u))
      ->group(g);
  cmd.add_option("-f,--format", l.format,
                 "Data bits, parity, stop bits: 8E2, 7E1, 7E2, 7O1, 8N1, 8N2, 8O1... ([5-8][NOEMS][12])")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& s) {
            return ParseFormat(s, 4800) ? std::string()
                                        : "'" + s + "' is not [5-8][NOEMS][12], e.g. 8E2 or 7E1";
          },
          "FORMAT"))
      ->group(g);
}

TLineSettings Line(const LineOptions& l) {
  return *ParseFormat(l.format, l.baud);
}

} // namespace

int Run(int argc, char** argv) {
  CLI::App app{Description, "p03"};
  app.set_version_flag("--version", std::string("p03 ") + P03_VERSION);
  app.require_subcommand(1);
  app.footer("Run 'p03 COMMAND --help' for the options of a command.");

  FrameOptions frame;
  std::string checksum = "none";
  LineOptions line;

  auto* encode = app.add_subcommand("encode", "Print one frame as hexadecimal, or its raw bytes with --raw");
  bool raw = false;
  AddFrameOptions(*encode, frame, checksum);
  encode->add_flag("--raw", raw, "Write the frame's bytes to stdout instead of hexadecimal");

  auto* send = app.add_subcommand("send", "Send one frame to a serial port, as the window's Send does");
  std::string sendPort;
  send->add_option("--port", sendPort, "Serial device, e.g. /dev/ttyUSB0")->required();
  AddFrameOptions(*send, frame, checksum);
  AddLineOptions(*send, line);

  auto* serve = app.add_subcommand(
      "serve",
      "Behave as a scale until stopped (SIGINT/SIGTERM end it cleanly with exit 0). Without --port it "
      "creates a virtual port (a pseudo-terminal) and prints the path to open on stdout.");
  ServeOptions serveOptions;
  std::string mode = "continuous";
  std::string trigger = "ENQ";
  serve->add_option("-m,--mode", mode, "continuous: frames at --rate; demand: one frame per request byte")
      ->capture_default_str()
      ->check(CLI::IsMember({"continuous", "demand"}));
  auto* rateOption = serve->add_option("-r,--rate", serveOptions.rate, "Frames per second in continuous mode")
                         ->capture_default_str()
                         ->check(CLI::Range(0.01, 100.0));
  auto* triggerOption =
      serve
          ->add_option("--trigger", trigger,
                       "Request byte in demand mode: ENQ (or another control name), one "
                       "character, 0xNN, or 'any' for every byte")
          ->capture_default_str()
          ->check(CLI::Validator(
              [](std::string& s) {
                return ParseTrigger(s) ? std::string()
                                       : "'" + s + "' is not a control name, one character, 0xNN or 'any'";
              },
              "BYTE"));
  auto* servePort = serve->add_option("--port", serveOptions.port, "Serve on this serial device instead");
  serve
      ->add_option("--link", serveOptions.link,
                   "Also make this symbolic link to the virtual port (removed on exit; an existing file that "
                   "is not a link is never replaced)")
      ->excludes(servePort);
  AddFrameOptions(*serve, frame, checksum);
  AddLineOptions(*serve, line);

  auto* monitor = app.add_subcommand(
      "monitor",
      "Read frames from a port or a capture and print each one decoded; garbage and cut frames are "
      "reported and reading resynchronises on the next STX");
  MonitorOptions monitorOptions;
  std::string monitorChecksum = "auto";
  auto* monitorPort = monitor->add_option("--port", monitorOptions.port, "Serial device to read");
  auto* input = monitor->add_option("--input", monitorOptions.input, "Capture file to read ('-': stdin)");
  monitorPort->excludes(input);
  monitor
      ->add_option("-c,--checksum", monitorChecksum,
                   "What follows CR: none; standard or window (always a checksum byte); auto (any byte but "
                   "the next frame's STX is a checksum byte). Both formulas are checked whichever is chosen")
      ->capture_default_str()
      ->check(CLI::IsMember({"auto", "none", "standard", "window"}));
  monitor->add_flag(
      "--strip-bit7", monitorOptions.decoder.stripBit7,
      "Clear bit 7 of every byte: a 7-bit line (7E1...) read as 8 data bits has its parity there "
      "(always done for --port with a --format of fewer than 8 data bits)");
  monitor->add_option("-n,--count", monitorOptions.count, "Stop after this many frames")
      ->check(CLI::PositiveNumber);
  monitor
      ->add_option("--timeout", monitorOptions.timeout,
                   "Stop after this many seconds; with --count, fewer frames by then is a failure (exit 1)")
      ->check(CLI::PositiveNumber);
  AddLineOptions(*monitor, line);

  const std::string first = argc > 1 ? argv[1] : "-";
  if (first[0] != '-' && first != "encode" && first != "send" && first != "serve" && first != "monitor") {
    // CLI11 would only say that a command is missing.
    std::cerr << "p03: unknown command '" << argv[1] << "' (encode, send, serve, monitor)\n"
              << "Run with --help for more information.\n";
    return UsageStatus;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version exit 0 on stdout; every other parse error is a usage error.
    return app.exit(e) == 0 ? 0 : UsageStatus;
  }

  try {
    frame.checksum = *ParseChecksum(checksum);
    if (encode->parsed())
      return RunEncode(frame, raw);
    if (send->parsed())
      return RunSend(frame, Line(line), sendPort);
    if (serve->parsed()) {
      serveOptions.demand = mode == "demand";
      if (serveOptions.demand && rateOption->count() > 0)
        throw UsageError("--rate applies to --mode continuous");
      if (!serveOptions.demand && triggerOption->count() > 0)
        throw UsageError("--trigger applies to --mode demand");
      serveOptions.trigger = *ParseTrigger(trigger);
      return RunServe(frame, Line(line), serveOptions);
    }
    if (monitor->parsed()) {
      if (monitorOptions.port.empty() && monitorOptions.input.empty())
        throw UsageError("give --port PATH or --input FILE");
      using P03::ChecksumMode;
      monitorOptions.decoder.checksum = monitorChecksum == "none"       ? ChecksumMode::None
                                        : monitorChecksum == "standard" ? ChecksumMode::Standard
                                        : monitorChecksum == "window"   ? ChecksumMode::Window
                                                                        : ChecksumMode::Auto;
      return RunMonitor(Line(line), monitorOptions);
    }
  } catch (const UsageError& e) {
    std::cerr << "p03: " << e.what() << "\nRun with --help for more information.\n";
    return UsageStatus;
  }
  return UsageStatus;
}

} // namespace p03tool
