// P03 frame encoder: status words, field normalisation, frame assembly and
// the bit strings shown in the frame report. Free functions without state;
// texts are byte strings (one char per byte, any value 0x00..0xFF).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Brenvik_Unit {

// Raised when a normalised field is not exactly six decimal digits.
// what() is "'<normalised field>' is not a valid integer value"; Field()
// tells the caller which of the two texts it was.
class EConvertError : public std::runtime_error {
public:
  enum TField { fdWeight, fdTare };

  EConvertError(TField field, const std::string& normalised)
      : std::runtime_error("'" + normalised + "' is not a valid integer value"), field_(field) {}
  TField Field() const { return field_; }

private:
  TField field_;
};

// Longest text any function here takes or returns; longer input is cut.
inline constexpr std::size_t MaxTextLength = 255;

uint8_t EncodeSWA(uint8_t precision, uint8_t increment, bool parity);
uint8_t EncodeSWB(bool net, bool negative, bool overload, bool motion, bool autoZeroed, bool parity);
uint8_t EncodeSWC(bool printKey, bool expanded, bool parity);

// STX SWA SWB SWC weight(6) tare(6) CR [checksum]. Throws EConvertError.
std::string BuildP03String(uint8_t swa, uint8_t swb, uint8_t swc, std::string weight, std::string tare,
                           bool checksum);

void NormalizeField(std::string& field, int width);
std::string FilterChars(const std::string& allowed, const std::string& text);
std::string PadLeftZero(const std::string& text, int width);
std::string ByteToBinStr(uint32_t value, int topBit);

} // namespace Brenvik_Unit
