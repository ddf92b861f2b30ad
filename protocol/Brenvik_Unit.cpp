#include "Brenvik_Unit.h"

#include <algorithm>

namespace Brenvik_Unit {

namespace {

const std::string Digits = "0123456789";
constexpr char STX = 0x02;
constexpr char CR = 0x0D;
constexpr int FieldWidth = 6;

std::string Limited(const std::string& text) {
  return text.substr(0, std::min(text.size(), MaxTextLength));
}

int LimitedWidth(int width) {
  return std::clamp(width, 0, static_cast<int>(MaxTextLength));
}

// Blanks are every character from 0x00 to 0x20, as the scale's software trims them.
bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

bool IsSixDigits(const std::string& field) {
  return field.size() == FieldWidth && field.find_first_not_of(Digits) == std::string::npos;
}

// Only called on fields that passed IsSixDigits, so this cannot overflow.
uint32_t FieldValue(const std::string& field) {
  uint32_t value = 0;
  for (char c : field)
    value = value * 10 + static_cast<uint32_t>(c - '0');
  return value;
}

void RequireSixDigits(EConvertError::TField which, const std::string& field) {
  if (!IsSixDigits(field))
    throw EConvertError(which, field);
}

} // namespace

uint8_t EncodeSWA(uint8_t precision, uint8_t increment, bool parity) {
  const unsigned precisionCode = precision <= 5 ? precision + 1u : 4u;
  const unsigned incrementCode = increment <= 2 ? increment + 1u : 1u;
  return static_cast<uint8_t>(precisionCode + 8 * incrementCode + 0x20 + (parity ? 0x80 : 0));
}

uint8_t EncodeSWB(bool net, bool negative, bool overload, bool motion, bool autoZeroed, bool parity) {
  return static_cast<uint8_t>((net ? 0x01 : 0) + (negative ? 0x02 : 0) + (overload ? 0x04 : 0) +
                              (motion ? 0x08 : 0) + 0x30 + (autoZeroed ? 0x40 : 0) + (parity ? 0x80 : 0));
}

uint8_t EncodeSWC(bool printKey, bool expanded, bool parity) {
  return static_cast<uint8_t>((printKey ? 0x08 : 0) + (expanded ? 0x10 : 0) + 0x60 + (parity ? 0x80 : 0));
}

std::string BuildP03String(uint8_t swa, uint8_t swb, uint8_t swc, std::string weight, std::string tare,
                           bool checksum) {
  NormalizeField(weight, FieldWidth);
  NormalizeField(tare, FieldWidth);
  // A field that is not six digits would shift every byte after it, and no
  // reader could take the frame apart: refuse it whether or not a checksum is
  // asked for. The weight is checked first, so it is the one named when both
  // are bad.
  RequireSixDigits(EConvertError::fdWeight, weight);
  RequireSixDigits(EConvertError::fdTare, tare);

  std::string frame;
  frame.reserve(18);
  frame += STX;
  frame += static_cast<char>(swa);
  frame += static_cast<char>(swb);
  frame += static_cast<char>(swc);
  frame += weight;
  frame += tare;
  frame += CR;
  if (checksum) {
    // The window's own checksum: the fields' values (not their characters),
    // the status bytes and 17 (2 + 13 + 2). Readers of real scales check a
    // different sum over the characters.
    const uint32_t sum = FieldValue(weight) + FieldValue(tare) + swa + swb + swc + 17;
    frame += static_cast<char>(sum % 256);
  }
  return frame;
}

void NormalizeField(std::string& field, int width) {
  field = Limited(field);
  width = LimitedWidth(width);
  if (width == 0 || IsBlank(field)) {
    field.clear();
    return;
  }
  std::string digits = FilterChars(Digits, field);
  digits.resize(std::min(digits.size(), static_cast<std::size_t>(width)));
  field = PadLeftZero(digits, width);
}

std::string FilterChars(const std::string& allowed, const std::string& text) {
  std::string result;
  for (char c : Limited(text)) {
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (allowed.find(upper) != std::string::npos)
      result += c;
  }
  return result;
}

std::string PadLeftZero(const std::string& text, int width) {
  std::string result = Limited(text);
  width = LimitedWidth(width);
  if (width == 0 || IsBlank(result))
    return {};
  if (result.size() < static_cast<std::size_t>(width))
    result.insert(0, static_cast<std::size_t>(width) - result.size(), '0');
  return result;
}

std::string ByteToBinStr(uint32_t value, int topBit) {
  std::string result;
  for (int bit = std::min(topBit, static_cast<int>(MaxTextLength) - 1); bit >= 0; --bit)
    result += (bit < 32 && ((value >> bit) & 1u)) ? '1' : '0';
  return result;
}

} // namespace Brenvik_Unit
