#include "Brenvik_Unit.h"
#include "P03Checksum.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::string ReadFixture() {
  std::ifstream in(P03_FIXTURE_DIR "/toledo-p03-capture.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string ExampleFrame = std::string("\x02\x2C\x31\x60", 4) + "001234" + "000000" + "\r";

TEST(StandardChecksum, ExampleFromTheWireGives6A) {
  EXPECT_EQ(P03::StandardChecksum(ExampleFrame), 0x6A);
  EXPECT_EQ(P03::WithStandardChecksum(ExampleFrame), ExampleFrame + "\x6A");
}

TEST(StandardChecksum, DiffersFromTheWindowFormulaOnTheSameFrame) {
  const std::string window = Brenvik_Unit::BuildP03String(0x2C, 0x31, 0x60, "012,34", "000000", true);
  EXPECT_EQ(window, ExampleFrame + "\xA0");
}

struct SumCase {
  std::string bytes;
  uint8_t expected;
};

TEST(StandardChecksum, TwosComplementModulo128OfSevenBitCharacters) {
  const SumCase cases[] = {
      {"", 0x00},                       // nothing to sum: 0, never 128
      {"\x01", 0x7F},                   //
      {"\x40\x40", 0x00},               // a sum of 128 wraps to 0
      {"\xC0\x40", 0x00},               // bit 7 does not count
      {"\x82\x02", 0x7C},               // STX with its parity bit counts as STX
      {std::string(200, '\x7F'), 0x48}, // 200 * 127 = 25400 = 0x6338; 0x80 - 0x38
  };
  for (const auto& c : cases)
    EXPECT_EQ(P03::StandardChecksum(c.bytes), c.expected) << c.bytes.size() << " bytes";
}

TEST(StandardChecksum, HoldsForEveryCompleteFrameOfTheCapture) {
  const std::string capture = ReadFixture();
  ASSERT_EQ(capture.size(), 180u);
  // Complete frames: 18 bytes from an STX (0x82 with its parity bit) with CR
  // (0x8D) at offset 16. The cut frame has no CR there and is left out.
  int frames = 0;
  for (std::size_t i = 0; i + 18 <= capture.size(); ++i) {
    if ((capture[i] & 0x7F) != 0x02 || (capture[i + 16] & 0x7F) != 0x0D)
      continue;
    const std::string raw = capture.substr(i, 17);
    std::string clean = raw;
    for (char& c : clean)
      c = static_cast<char>(c & 0x7F);
    const uint8_t checksum = static_cast<uint8_t>(capture[i + 17] & 0x7F);
    EXPECT_EQ(P03::StandardChecksum(clean), checksum) << "frame at offset " << i;
    EXPECT_EQ(P03::StandardChecksum(raw), checksum) << "frame at offset " << i << ", parity bits kept";
    ++frames;
  }
  EXPECT_EQ(frames, 9);
}

TEST(StandardChecksum, FirstFrameOfTheCaptureAsItsReadmeWorksItOut) {
  const std::string frame = std::string("\x02\x2C\x70\x60", 4) + "000000" + "000000" + "\r";
  EXPECT_EQ(P03::StandardChecksum(frame), 0x35);
}

} // namespace
