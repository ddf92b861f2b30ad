#include "Brenvik_Unit.h"
#include "P03Checksum.h"
#include "P03Decoder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using Kind = P03::DecodeEvent::Kind;
using P03::ChecksumMode;

std::string ReadFixture() {
  std::ifstream in(P03_FIXTURE_DIR "/toledo-p03-capture.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Frames built the way the simulator builds them.
std::string Frame(const std::string& weight, bool windowChecksum = false, uint8_t swb = 0x31) {
  return Brenvik_Unit::BuildP03String(0x2C, swb, 0x60, weight, "000000", windowChecksum);
}

std::vector<P03::DecodeEvent> DecodeAll(const std::string& bytes, P03::DecoderOptions options,
                                        bool oneByteAtATime = false) {
  P03::StreamDecoder decoder(options);
  std::vector<P03::DecodeEvent> events;
  const auto take = [&](std::vector<P03::DecodeEvent> more) {
    events.insert(events.end(), more.begin(), more.end());
  };
  if (oneByteAtATime)
    for (char c : bytes)
      take(decoder.Feed(std::string_view(&c, 1)));
  else
    take(decoder.Feed(bytes));
  take(decoder.Finish());
  return events;
}

std::string Kinds(const std::vector<P03::DecodeEvent>& events) {
  std::string s;
  for (const auto& e : events)
    s += e.kind == Kind::Frame ? 'F' : e.kind == Kind::Garbage ? 'G' : 'C';
  return s;
}

struct CaptureFrame {
  const char* weight;
  const char* tare;
  bool net, negative, overload, motion;
};

// What the scale reported, in order: zero gross, rising gross, motion, over
// range, net with a tare, negative net. All auto-zeroed, precision x0.01.
const CaptureFrame CaptureFrames[] = {
    {"0.00", "0.00", false, false, false, false}, {"5.00", "0.00", false, false, false, false},
    {"5.67", "0.00", false, false, false, false}, {"7.10", "0.00", false, false, false, false},
    {"38.45", "0.00", false, false, false, true}, {"70.94", "0.00", false, false, true, false},
    {"5.10", "0.00", false, false, false, false}, {"-0.89", "6.00", true, true, false, false},
    {"3.67", "6.00", true, false, false, false},
};

class CaptureDecoding : public ::testing::TestWithParam<bool> {};

TEST_P(CaptureDecoding, GivesNineFramesTheGarbageAndTheCutFrame) {
  const std::vector<P03::DecodeEvent> events =
      DecodeAll(ReadFixture(), {ChecksumMode::Auto, /*stripBit7=*/true}, GetParam());
  ASSERT_EQ(Kinds(events), "FFFFGCFFFFF");
  EXPECT_EQ(events[4].bytes, std::string("00000\r\x27"));
  EXPECT_EQ(events[5].bytes, std::string("\x02\x2C\x70\x60") + "0005360");

  std::size_t n = 0;
  for (const auto& e : events) {
    if (e.kind != Kind::Frame)
      continue;
    const CaptureFrame& want = CaptureFrames[n++];
    const P03::DecodedFrame& f = e.frame;
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_TRUE(f.WellFormed());
    EXPECT_EQ(f.weightText, want.weight);
    EXPECT_EQ(f.tareText, want.tare);
    EXPECT_EQ(f.net, want.net);
    EXPECT_EQ(f.negative, want.negative);
    EXPECT_EQ(f.overload, want.overload);
    EXPECT_EQ(f.motion, want.motion);
    EXPECT_TRUE(f.autoZeroed);
    EXPECT_EQ(f.decimals, 2);
    EXPECT_EQ(f.increment, 1);
    ASSERT_TRUE(f.hasChecksum);
    EXPECT_TRUE(f.standardChecksumHolds);
    EXPECT_FALSE(f.windowChecksumHolds);
  }
  EXPECT_EQ(n, 9u);
}

INSTANTIATE_TEST_SUITE_P(WholeOrByteByByte, CaptureDecoding, ::testing::Bool());

TEST(StreamDecoder, CaptureWithoutStrippingBit7HasNoFrame) {
  // Its STX arrives as 0x82: the reason the option exists.
  EXPECT_EQ(Kinds(DecodeAll(ReadFixture(), {ChecksumMode::Auto, false})).find('F'), std::string::npos);
}

struct StreamCase {
  const char* name;
  std::string bytes;
  ChecksumMode mode;
  std::string kinds;
  std::vector<bool> hasChecksum; // per frame
};

std::vector<StreamCase> StreamCases() {
  const std::string plain = Frame("012,34");
  const std::string standard = P03::WithStandardChecksum(plain);
  const std::string window = Frame("012,34", true);
  // A frame whose standard checksum is 0x02, the value of STX.
  const std::string stxLike = Frame("599999", false, 0x71);
  return {
      {"auto, no checksums", plain + plain, ChecksumMode::Auto, "FF", {false, false}},
      {"auto, standard", standard + standard, ChecksumMode::Auto, "FF", {true, true}},
      {"auto, window", window + plain, ChecksumMode::Auto, "FF", {true, false}},
      {"auto, checksum 0x02 before a frame",
       P03::WithStandardChecksum(stxLike) + plain,
       ChecksumMode::Auto,
       "FF",
       {true, false}},
      {"auto, no checksum though STX would satisfy it",
       stxLike + plain,
       ChecksumMode::Auto,
       "FF",
       {false, false}},
      {"auto, checksum 0x02 last", P03::WithStandardChecksum(stxLike), ChecksumMode::Auto, "F", {true}},
      {"none, a checksum is garbage", standard + plain, ChecksumMode::None, "FGF", {false, false}},
      {"standard, checksum 0x02",
       P03::WithStandardChecksum(stxLike) + standard,
       ChecksumMode::Standard,
       "FF",
       {true, true}},
      {"garbage before STX", "xyz\r" + standard, ChecksumMode::Auto, "GF", {true}},
      {"cut by the next STX", plain.substr(0, 9) + plain, ChecksumMode::Auto, "CF", {false}},
      {"cut by an early CR, then garbage",
       plain.substr(0, 9) + "\r12" + plain,
       ChecksumMode::Auto,
       "CGF",
       {false}},
      {"no CR at offset 16", plain.substr(0, 16) + "7" + plain, ChecksumMode::Auto, "CGF", {false}},
      {"cut by the end of the input", plain + plain.substr(0, 12), ChecksumMode::Auto, "FC", {false}},
  };
}

TEST(StreamDecoder, FramesChecksumBytesGarbageAndCuts) {
  ASSERT_EQ(P03::StandardChecksum(Frame("599999", false, 0x71)), 0x02);
  for (const StreamCase& c : StreamCases()) {
    for (bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bytewise ? ", byte by byte" : ", at once"));
      const auto events = DecodeAll(c.bytes, {c.mode, false}, bytewise);
      ASSERT_EQ(Kinds(events), c.kinds);
      std::string rejoined;
      std::size_t n = 0;
      for (const auto& e : events) {
        rejoined += e.bytes;
        if (e.kind == Kind::Frame) {
          EXPECT_TRUE(e.frame.WellFormed());
          EXPECT_EQ(e.frame.hasChecksum, c.hasChecksum.at(n++));
        }
      }
      EXPECT_EQ(rejoined, c.bytes) << "every byte is accounted for, once";
    }
  }
}

TEST(StreamDecoder, AQuietLineReleasesAFrameWaitingForItsChecksumButNotAPartialOne) {
  P03::StreamDecoder decoder;
  const std::string plain = Frame("5");
  EXPECT_TRUE(decoder.Feed(plain).empty()); // a checksum byte may still follow
  auto events = decoder.Flush();
  ASSERT_EQ(Kinds(events), "F");
  EXPECT_FALSE(events[0].frame.hasChecksum);

  EXPECT_TRUE(decoder.Feed(plain.substr(0, 10)).empty());
  EXPECT_TRUE(decoder.Flush().empty());
  events = decoder.Feed(plain.substr(10) + "\x7F");
  ASSERT_EQ(Kinds(events), "F");
  EXPECT_TRUE(events[0].frame.hasChecksum);
  EXPECT_FALSE(events[0].frame.standardChecksumHolds);
  EXPECT_FALSE(events[0].frame.windowChecksumHolds);
}

TEST(DecodeFrame, BothFormulasAgainstTheExample) {
  P03::DecodedFrame f;
  ASSERT_TRUE(P03::DecodeFrame(Frame("012,34", true), f));
  EXPECT_EQ(f.checksum, 0xA0);
  EXPECT_TRUE(f.windowChecksumHolds);
  EXPECT_FALSE(f.standardChecksumHolds);
  ASSERT_TRUE(P03::DecodeFrame(P03::WithStandardChecksum(Frame("012,34")), f));
  EXPECT_EQ(f.checksum, 0x6A);
  EXPECT_TRUE(f.standardChecksumHolds);
  EXPECT_FALSE(f.windowChecksumHolds);
  EXPECT_EQ(f.weightText, "12.34");
  EXPECT_DOUBLE_EQ(f.weight, 12.34);
}

struct PrecisionCase {
  uint8_t precisionIndex, incrementIndex;
  const char* weight;
  double value;
  int increment;
};

TEST(DecodeFrame, PrecisionPlacesThePointAndIncrementMapsTo125) {
  const PrecisionCase cases[] = {
      {0, 0, "12340", 12340, 1}, {1, 1, "1234", 1234, 2},   {2, 2, "123.4", 123.4, 5},
      {3, 0, "12.34", 12.34, 1}, {4, 1, "1.234", 1.234, 2}, {5, 2, "0.1234", 0.1234, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.weight);
    const uint8_t swa = Brenvik_Unit::EncodeSWA(c.precisionIndex, c.incrementIndex, false);
    P03::DecodedFrame f;
    ASSERT_TRUE(
        P03::DecodeFrame(Brenvik_Unit::BuildP03String(swa, 0x30, 0x60, "001234", "000010", false), f));
    EXPECT_TRUE(f.WellFormed());
    EXPECT_EQ(f.weightText, c.weight);
    EXPECT_DOUBLE_EQ(f.weight, c.value);
    EXPECT_EQ(f.increment, c.increment);
  }
}

TEST(DecodeFrame, EveryFlag) {
  using namespace Brenvik_Unit;
  P03::DecodedFrame f;
  ASSERT_TRUE(
      P03::DecodeFrame(BuildP03String(EncodeSWA(5, 2, true), EncodeSWB(true, true, true, true, true, true),
                                      EncodeSWC(true, true, true), "999999", "999999", true),
                       f));
  EXPECT_TRUE(f.swaParity && f.net && f.negative && f.overload && f.motion && f.autoZeroed && f.swbParity &&
              f.printKey && f.expanded && f.swcParity);
  EXPECT_TRUE(f.fixedBitsValid);
  EXPECT_EQ(f.weightText, "-99.9999");
  EXPECT_EQ(f.tareText, "99.9999");
  EXPECT_TRUE(f.windowChecksumHolds);

  ASSERT_TRUE(P03::DecodeFrame(BuildP03String(EncodeSWA(1, 0, false),
                                              EncodeSWB(false, false, false, false, false, false),
                                              EncodeSWC(false, false, false), "1", "2", false),
                               f));
  EXPECT_FALSE(f.net || f.negative || f.overload || f.motion || f.autoZeroed || f.printKey || f.expanded ||
               f.swaParity || f.swbParity || f.swcParity);
  EXPECT_EQ(f.weightText, "1");
}

TEST(DecodeFrame, RefusesWhatIsNotOneFrameAndFlagsWhatBreaksTheLayout) {
  const std::string plain = Frame("1");
  P03::DecodedFrame f;
  EXPECT_FALSE(P03::DecodeFrame(plain.substr(0, 16), f));
  EXPECT_FALSE(P03::DecodeFrame(plain + "ab", f));
  EXPECT_FALSE(P03::DecodeFrame("x" + plain.substr(1), f));

  std::string letters = plain;
  letters[6] = 'A';
  ASSERT_TRUE(P03::DecodeFrame(letters, f));
  EXPECT_FALSE(f.fieldsValid);
  EXPECT_FALSE(f.WellFormed());
  EXPECT_TRUE(f.weightText.empty());

  std::string code0 = plain;
  code0[1] = 0x20; // precision and increment code 0
  ASSERT_TRUE(P03::DecodeFrame(code0, f));
  EXPECT_FALSE(f.precisionValid);
  EXPECT_FALSE(f.WellFormed());
}

} // namespace
