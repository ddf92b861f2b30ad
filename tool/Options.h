// What the p03 commands are told on the command line, and turning it into
// frames and port settings.
#pragma once

#include "CPDrv.h"
#include "VirtualPort.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace p03tool {

// A command line that makes no sense: reported on stderr, exit status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class ChecksumChoice { None, Standard, Window };

struct FrameOptions {
  std::string weight = "000000"; // as an operator types it: "12,34"
  std::string tare = "000000";
  std::string precision = "3"; // index 0..5 or the display factor "10" .. "0.0001"
  int increment = 1;           // 1, 2 or 5
  bool net = true;             // like the window, which starts with net weight on
  bool negative = false;
  bool overload = false;
  bool motion = false;
  bool autoZeroed = false;
  bool printKey = false;
  bool expanded = false;
  bool parityA = false, parityB = false, parityC = false;
  ChecksumChoice checksum = ChecksumChoice::None;
};

// Index 0..5 of the window's precision choice, from "3" or "0.01" (also
// "0,01" and "x0.01"). Nullopt for anything else.
std::optional<int> ParsePrecision(const std::string& text);
// "none", "standard" or "window".
std::optional<ChecksumChoice> ParseChecksum(const std::string& text);

// The frame, built by the encoder. Throws UsageError naming --weight or
// --tare when the encoder refuses that field (no digit in it).
std::string BuildFrame(const FrameOptions& options);

struct LineOptions {
  uint32_t baud = 4800;
  std::string format = "8E2";
};

// "8E2", "7E1"...: data bits 5..8, parity N/O/E/M/S, stop bits 1 or 2 (case
// does not matter). Nullopt for anything else.
std::optional<TLineSettings> ParseFormat(const std::string& text, uint32_t baud);
// The settings as the serial driver takes them, for the port at `path`.
void ConfigureDriver(TCommPortDriver& driver, const TLineSettings& line, const std::string& path);
// Empty when every byte of `frame` fits in the line's data bits; otherwise a
// warning that says what the line will lose.
std::string DataBitsWarning(const std::string& frame, const TLineSettings& line);

// The request byte of demand mode: "ENQ" (and the other control names),
// one character, "0x05", or "any" (-1: every byte is a request).
std::optional<int> ParseTrigger(const std::string& text);

// "02 2C 31 60 ..." (upper-case hexadecimal, one space between bytes).
std::string Hex(const std::string& bytes);

} // namespace p03tool
