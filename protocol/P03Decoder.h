// Reading P03 frames back: what one frame says, and a stream decoder that
// finds frames in the bytes of a live line or a capture.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace P03 {

inline constexpr char STX = 0x02;
inline constexpr char CR = 0x0D;
// STX, SWA, SWB, SWC, six weight digits, six tare digits, CR.
inline constexpr std::size_t FrameLengthWithoutChecksum = 17;

struct DecodedFrame {
  std::string bytes; // the frame as taken off the line, checksum byte included when present
  uint8_t swa = 0, swb = 0, swc = 0;

  // SWA
  int precisionCode = 0; // bits 0..2; 1..6 are defined
  bool precisionValid = false;
  int decimals = 0;      // digits after the decimal point (0 for codes 1 and 2)
  int multiplier = 1;    // 10 for code 1 (the display shows ten times the field)
  int incrementCode = 0; // bits 3..4; 1..3 are defined
  int increment = 0;     // 1, 2 or 5; 0 when the code is 0
  bool swaParity = false;

  // SWB
  bool net = false;
  bool negative = false;
  bool overload = false;
  bool motion = false;
  bool autoZeroed = false;
  bool swbParity = false;

  // SWC
  bool printKey = false;
  bool expanded = false;
  bool swcParity = false;

  // Fixed bits (SWA 5 set and 6 clear, SWB 4 and 5 set, SWC 0..2 clear and
  // 5 and 6 set) as they should be.
  bool fixedBitsValid = false;

  std::string weightDigits, tareDigits; // the two six-character fields
  bool fieldsValid = false;             // both are six decimal digits
  // Weight and tare with the decimal point placed by SWA; the weight carries
  // the sign of SWB ("-5.67"), the tare never has one. Empty when !fieldsValid.
  std::string weightText, tareText;
  double weight = 0, tare = 0; // the same as numbers

  bool hasChecksum = false;
  uint8_t checksum = 0;
  bool standardChecksumHolds = false; // see P03Checksum.h
  bool windowChecksumHolds = false;   // the formula of the window's checksum switch

  // Nothing in the frame contradicts the layout: fixed bits, defined codes, digit fields.
  bool WellFormed() const { return fixedBitsValid && precisionValid && incrementCode != 0 && fieldsValid; }
};

// Decodes one frame: STX..CR (17 bytes), optionally followed by a checksum
// byte. Returns false, leaving `out` untouched, when `frame` does not have that
// shape (wrong length, no STX in front, no CR at offset 16).
bool DecodeFrame(std::string_view frame, DecodedFrame& out);

// What follows the CR of a frame.
enum class ChecksumMode {
  None,     // nothing: a frame is 17 bytes
  Standard, // always one checksum byte (the readers' formula is expected)
  Window,   // always one checksum byte (the window's formula is expected)
  // Decided byte by byte: a byte after CR is the checksum unless it is an STX
  // that starts the next frame. An STX that also satisfies a formula is told
  // apart by the byte after it: the next frame's SWA (0x20..0x3F in its low
  // seven bits) makes it an STX, anything else a checksum. When the line falls
  // quiet right after CR, Flush() releases the frame without a checksum.
  Auto,
};

struct DecoderOptions {
  ChecksumMode checksum = ChecksumMode::Auto;
  // Clear bit 7 of every byte before decoding: a 7-bit line (7E1, 7E2...) read
  // as 8 data bits delivers its parity bit there.
  bool stripBit7 = false;
};

struct DecodeEvent {
  enum class Kind {
    Frame,    // a complete frame, decoded in `frame`
    Garbage,  // bytes outside any frame
    CutFrame, // an STX whose frame broke off: another STX or a stray CR came
              // too early, the CR was missing, or the input ended
  };
  Kind kind = Kind::Garbage;
  std::string bytes; // what was consumed (after stripping bit 7, if asked)
  DecodedFrame frame;
};

// Feed it bytes as they arrive; it returns what they complete, in order, and
// resynchronises on the next STX after garbage or a cut frame.
class StreamDecoder {
public:
  explicit StreamDecoder(DecoderOptions options = {});

  std::vector<DecodeEvent> Feed(std::string_view bytes);
  // The line has been quiet for a while: release a frame that still waits for
  // its checksum byte (reported without one), and pending garbage. A partial
  // frame stays: its line may only be slow.
  std::vector<DecodeEvent> Flush();
  // The input has ended: release everything; a partial frame is cut.
  std::vector<DecodeEvent> Finish();

  const DecoderOptions& Options() const { return options_; }

private:
  enum class Step { NeedMore, Emitted };
  Step Next(bool quiet, bool final, std::vector<DecodeEvent>& out);
  void Emit(DecodeEvent::Kind kind, std::size_t length, bool withChecksum, std::vector<DecodeEvent>& out);
  std::vector<DecodeEvent> Drain(bool quiet, bool final);

  DecoderOptions options_;
  std::string pending_;
};

} // namespace P03
