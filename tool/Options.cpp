#include "Options.h"

#include "Brenvik_Unit.h"
#include "P03Checksum.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace p03tool {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

} // namespace

std::optional<int> ParsePrecision(const std::string& text) {
  std::string t = text;
  std::replace(t.begin(), t.end(), ',', '.');
  if (!t.empty() && (t[0] == 'x' || t[0] == 'X'))
    t.erase(0, 1);
  // Index n and factor "1" coincide at n = 1, so both readings agree.
  static constexpr std::array<const char*, 6> factors = {"10", "1", "0.1", "0.01", "0.001", "0.0001"};
  for (int i = 0; i < 6; ++i)
    if (t == factors[static_cast<std::size_t>(i)] || t == std::to_string(i))
      return i;
  return std::nullopt;
}

std::optional<ChecksumChoice> ParseChecksum(const std::string& text) {
  if (text == "none")
    return ChecksumChoice::None;
  if (text == "standard")
    return ChecksumChoice::Standard;
  if (text == "window")
    return ChecksumChoice::Window;
  return std::nullopt;
}

std::string BuildFrame(const FrameOptions& o) {
  using namespace Brenvik_Unit;
  const std::optional<int> precision = ParsePrecision(o.precision);
  if (!precision)
    throw UsageError("--precision: '" + o.precision + "' is neither an index 0..5 nor 10, 1, 0.1 .. 0.0001");
  int increment = 0;
  switch (o.increment) {
  case 1:
    increment = 0;
    break;
  case 2:
    increment = 1;
    break;
  case 5:
    increment = 2;
    break;
  default:
    throw UsageError("--increment: " + std::to_string(o.increment) + " is not 1, 2 or 5");
  }
  const uint8_t swa = EncodeSWA(static_cast<uint8_t>(*precision), static_cast<uint8_t>(increment), o.parityA);
  const uint8_t swb = EncodeSWB(o.net, o.negative, o.overload, o.motion, o.autoZeroed, o.parityB);
  const uint8_t swc = EncodeSWC(o.printKey, o.expanded, o.parityC);
  try {
    if (o.checksum == ChecksumChoice::Standard)
      return P03::WithStandardChecksum(BuildP03String(swa, swb, swc, o.weight, o.tare, false));
    return BuildP03String(swa, swb, swc, o.weight, o.tare, o.checksum == ChecksumChoice::Window);
  } catch (const EConvertError& e) {
    throw UsageError(std::string(e.Field() == EConvertError::fdWeight ? "--weight" : "--tare") + ": " +
                     e.what() + " (a field needs at least one digit)");
  }
}

std::optional<TLineSettings> ParseFormat(const std::string& text, uint32_t baud) {
  const std::string t = Upper(text);
  if (t.size() != 3 || t[0] < '5' || t[0] > '8' || std::string("NOEMS").find(t[1]) == std::string::npos ||
      (t[2] != '1' && t[2] != '2'))
    return std::nullopt;
  TLineSettings s;
  s.BaudRate = baud;
  s.DataBits = t[0] - '0';
  s.Parity = t[1];
  s.StopBits = t[2] - '0';
  return s;
}

void ConfigureDriver(TCommPortDriver& d, const TLineSettings& line, const std::string& path) {
  d.Port = pnCustom;
  d.PortName = path;
  d.BaudRate = brCustom;
  d.BaudRateValue = line.BaudRate;
  static constexpr TDataBits bits[] = {db5BITS, db6BITS, db7BITS, db8BITS};
  d.DataBits = bits[std::clamp(line.DataBits, 5, 8) - 5];
  switch (line.Parity) {
  case 'O':
    d.Parity = ptODD;
    break;
  case 'E':
    d.Parity = ptEVEN;
    break;
  case 'M':
    d.Parity = ptMARK;
    break;
  case 'S':
    d.Parity = ptSPACE;
    break;
  default:
    d.Parity = ptNONE;
    break;
  }
  d.StopBits = line.StopBits == 2 ? sb2BITS : sb1BITS;
  d.HwFlow = hfNONE;
  d.SwFlow = sfNONE;
}

std::string DataBitsWarning(const std::string& frame, const TLineSettings& line) {
  const unsigned limit = (1u << line.DataBits) - 1;
  const bool fits =
      std::all_of(frame.begin(), frame.end(), [&](char c) { return static_cast<unsigned char>(c) <= limit; });
  if (fits)
    return {};
  if (line.DataBits == 7)
    return "warning: the frame has bytes above 0x7F (a parity flag is set), which 7 data bits cannot carry: "
           "a real line drops bit 7 (a virtual port passes it unchanged)\n";
  return "warning: " + std::to_string(line.DataBits) +
         " data bits cannot carry the frame's characters: a real line garbles them\n";
}

std::optional<int> ParseTrigger(const std::string& text) {
  if (text == "any")
    return -1;
  static constexpr std::array<const char*, 32> names = {
      "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
      "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
      "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
  const std::string t = Upper(text);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (t == names[i])
      return static_cast<int>(i);
  if (text.size() == 1)
    return static_cast<unsigned char>(text[0]);
  if (text.size() == 4 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0) &&
      std::isxdigit(static_cast<unsigned char>(text[2])) &&
      std::isxdigit(static_cast<unsigned char>(text[3])))
    return std::stoi(text.substr(2), nullptr, 16);
  return std::nullopt;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", c);
    if (!out.empty())
      out += ' ';
    out += buffer;
  }
  return out;
}

} // namespace p03tool
