#include "Brenvik_Unit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Brenvik_Unit;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values)
    s += static_cast<char>(v);
  return s;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty())
      out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

} // namespace

TEST(StatusWordA, PrecisionAndIncrementTables) {
  // Every index past the last row falls back to code 4 (precision) and 1 (increment).
  const int precisionCode[] = {1, 2, 3, 4, 5, 6};
  const int incrementCode[] = {1, 2, 3};
  for (int p = 0; p < 256; ++p)
    for (int i = 0; i < 256; ++i)
      for (bool parity : {false, true}) {
        const int expected = (p <= 5 ? precisionCode[p] : 4) + 8 * (i <= 2 ? incrementCode[i] : 1) + 0x20 +
                             (parity ? 0x80 : 0);
        ASSERT_EQ(EncodeSWA(static_cast<uint8_t>(p), static_cast<uint8_t>(i), parity), expected)
            << "precision " << p << " increment " << i << " parity " << parity;
      }
  EXPECT_EQ(EncodeSWA(0, 0, false), 0x29);
  EXPECT_EQ(EncodeSWA(5, 2, true), 0xBE);
  EXPECT_EQ(EncodeSWA(3, 0, false), 0x2C);
  EXPECT_EQ(EncodeSWA(255, 255, false), 0x2C);
}

TEST(StatusWordB, EachFlagOwnsItsBit) {
  struct Case {
    bool net, negative, overload, motion, autoZeroed, parity;
    int expected;
  };
  const Case cases[] = {
      {false, false, false, false, false, false, 0x30}, {true, false, false, false, false, false, 0x31},
      {false, true, false, false, false, false, 0x32},  {false, false, true, false, false, false, 0x34},
      {false, false, false, true, false, false, 0x38},  {false, false, false, false, true, false, 0x70},
      {false, false, false, false, false, true, 0xB0},  {true, true, true, true, true, true, 0xFF},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EncodeSWB(c.net, c.negative, c.overload, c.motion, c.autoZeroed, c.parity), c.expected);
}

TEST(StatusWordC, EachFlagOwnsItsBit) {
  EXPECT_EQ(EncodeSWC(false, false, false), 0x60);
  EXPECT_EQ(EncodeSWC(true, false, false), 0x68);
  EXPECT_EQ(EncodeSWC(false, true, false), 0x70);
  EXPECT_EQ(EncodeSWC(false, false, true), 0xE0);
  EXPECT_EQ(EncodeSWC(true, true, true), 0xF8);
}

TEST(NormalizeField, Examples) {
  struct Case {
    std::string text;
    int width;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"012,34", 6, "001234"},
      {"  12,5", 6, "000125"},
      {"12,5", 6, "000125"},
      {"1 2", 6, "000012"},
      {"1234567", 6, "123456"}, // the first six digits stay, the last is dropped
      {"-1a2b+3", 6, "000123"},
      {"000000", 6, "000000"},
      {"", 6, ""},
      {"      ", 6, ""},
      {Bytes({0x00, 0x09, 0x20, 0x0D}), 6, ""}, // every character up to 0x20 is a blank
      {",", 6, ""},                             // not blank, but no digit either
      {"ab", 6, ""},
      {"12", 0, ""},
      {"12", -3, ""},
      {std::string("1\0"
                   "2",
                   3),
       6, "000012"},
      {"123", 2, "12"},
  };
  for (const Case& c : cases) {
    std::string field = c.text;
    NormalizeField(field, c.width);
    EXPECT_EQ(field, c.expected) << "text '" << c.text << "' width " << c.width;
  }
}

TEST(StringHelpers, FilterAndPad) {
  EXPECT_EQ(FilterChars("AB", "xaBy"), "aB"); // matched upper-case, kept as typed
  EXPECT_EQ(FilterChars("0123456789", "1,2x3"), "123");
  EXPECT_EQ(FilterChars(std::string("\0", 1), std::string("a\0b", 3)), std::string("\0", 1));
  EXPECT_EQ(FilterChars("", "abc"), "");

  EXPECT_EQ(PadLeftZero("12", 6), "000012");
  EXPECT_EQ(PadLeftZero("1 2", 6), "0001 2");      // inner blanks stay
  EXPECT_EQ(PadLeftZero("1234567", 6), "1234567"); // never cut
  EXPECT_EQ(PadLeftZero("   ", 6), "");
  EXPECT_EQ(PadLeftZero("12", 0), "");
}

TEST(StringHelpers, NoTextOrResultExceeds255Characters) {
  const std::string longDigits(300, '7');
  EXPECT_EQ(FilterChars("7", longDigits), std::string(255, '7'));
  EXPECT_EQ(PadLeftZero(longDigits, 6), std::string(255, '7'));
  EXPECT_EQ(PadLeftZero("1", 300), std::string(254, '0') + "1");
  // Only the first 255 characters are looked at: a digit past them is gone.
  std::string field = std::string(255, 'x') + "9";
  NormalizeField(field, 6);
  EXPECT_EQ(field, "");
  EXPECT_EQ(ByteToBinStr(1, 400).size(), 255u);
}

TEST(ByteToBinStr, RendersTopBitDownToBitZero) {
  EXPECT_EQ(ByteToBinStr(0x2C, 8), "000101100");
  EXPECT_EQ(ByteToBinStr(0x31, 8), "000110001");
  EXPECT_EQ(ByteToBinStr(0x60, 8), "001100000");
  EXPECT_EQ(ByteToBinStr(0xFF, 8), "011111111");
  EXPECT_EQ(ByteToBinStr(0xFF, 0), "1");
  EXPECT_EQ(ByteToBinStr(0xFF, -1), "");
  EXPECT_EQ(ByteToBinStr(0x80000000u, 31), "1" + std::string(31, '0'));
  EXPECT_EQ(ByteToBinStr(0xFFFFFFFFu, 33), "00" + std::string(32, '1'));
}

TEST(BuildP03String, WorkedExample) {
  const uint8_t swa = EncodeSWA(3, 0, false);
  const uint8_t swb = EncodeSWB(true, false, false, false, false, false);
  const uint8_t swc = EncodeSWC(false, false, false);
  EXPECT_EQ(Hex(BuildP03String(swa, swb, swc, "012,34", "000000", true)),
            "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D A0");
  EXPECT_EQ(Hex(BuildP03String(swa, swb, swc, "012,34", "000000", false)),
            "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D");
}

TEST(BuildP03String, ChecksumValueWrapsAndAnyByteIsAppended) {
  // Defaults: 0x2C + 0x31 + 0x60 + 17 = 206, so the weight picks the byte.
  struct Case {
    const char* weight;
    const char* tare;
    int checksum;
  };
  const Case cases[] = {
      {"000050", "000000", 0x00}, {"000052", "000000", 0x02}, {"000063", "000000", 0x0D},
      {"000049", "000000", 0xFF}, {"000000", "000001", 0xCF}, {"000,50", "     0", 0x00},
  };
  for (const Case& c : cases) {
    const std::string frame = BuildP03String(0x2C, 0x31, 0x60, c.weight, c.tare, true);
    ASSERT_EQ(frame.size(), 18u) << c.weight;
    EXPECT_EQ(static_cast<unsigned char>(frame[17]), c.checksum) << c.weight << " " << c.tare;
    EXPECT_EQ(frame[16], '\r');
  }
  const std::string largest = BuildP03String(0xBE, 0xFF, 0xF8, "999999", "999999", true);
  ASSERT_EQ(largest.size(), 18u);
  EXPECT_EQ(static_cast<unsigned char>(largest[17]), 0x44);
}

TEST(BuildP03String, FieldThatIsNotSixDigitsIsRefusedWithOrWithoutChecksum) {
  struct Case {
    const char* weight;
    const char* tare;
    EConvertError::TField field;
  };
  const Case cases[] = {
      {"", "000000", EConvertError::fdWeight},     {"      ", "000000", EConvertError::fdWeight},
      {"000,00", "      ", EConvertError::fdTare}, {"000,00", "ab", EConvertError::fdTare},
      {",", ",", EConvertError::fdWeight}, // both bad: the weight is named
  };
  for (const Case& c : cases)
    for (bool checksum : {false, true}) {
      try {
        BuildP03String(0x2C, 0x31, 0x60, c.weight, c.tare, checksum);
        ADD_FAILURE() << "no error for weight '" << c.weight << "' tare '" << c.tare << "'";
      } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
        EXPECT_EQ(e.Field(), c.field) << "weight '" << c.weight << "' tare '" << c.tare << "'";
      }
    }
}

TEST(BuildP03String, EveryFrameIs17Or18BytesAndControlBytesTravelUnchanged) {
  const std::string frame = BuildP03String(0x82, 0x00, 0x0D, "1 2 3", "abc9", false);
  EXPECT_EQ(frame, Bytes({0x02, 0x82, 0x00, 0x0D}) + "000123" + "000009" + "\r");
}

TEST(BuildP03String, LeavesCallersTextsAlone) {
  const std::string weight = "012,34";
  const std::string tare = "  1 2 ";
  BuildP03String(0x2C, 0x31, 0x60, weight, tare, true);
  EXPECT_EQ(weight, "012,34");
  EXPECT_EQ(tare, "  1 2 ");
}
