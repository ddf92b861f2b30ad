#include "EchoText.h"

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 marks the five undefined bytes.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QChar Visible(unsigned char byte) {
  if (byte < 0x20)
    return QChar(static_cast<char16_t>(0x2400 + byte));
  if (byte == 0x7F)
    return QChar(static_cast<char16_t>(0x2421));
  if (byte >= 0x80 && byte < 0xA0) {
    const char16_t mapped = Cp1252High[byte - 0x80];
    return mapped ? QChar(mapped) : QChar(QChar::ReplacementCharacter);
  }
  return QChar(static_cast<char16_t>(byte)); // ASCII and Latin-1 agree with Windows-1252 here
}

} // namespace

QString EchoText(const std::string& frame) {
  QString text;
  text.reserve(static_cast<qsizetype>(frame.size()));
  for (char c : frame)
    text += Visible(static_cast<unsigned char>(c));
  return text;
}
