#include "P03Decoder.h"

#include "Brenvik_Unit.h"
#include "P03Checksum.h"

#include <algorithm>

namespace P03 {

namespace {

// Garbage is held back until an STX shows where it ends, so that one run of
// noise is one event; a line full of noise must still be reported as it comes.
constexpr std::size_t MaxHeldGarbage = 64;

bool IsDigits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long Pow10(int n) {
  long p = 1;
  while (n-- > 0)
    p *= 10;
  return p;
}

// `value` scaled by the display: `decimals` digits after the point, or a
// trailing zero for the x10 display.
std::string PlacePoint(long value, int decimals, int multiplier) {
  value *= multiplier;
  if (decimals == 0)
    return std::to_string(value);
  const long scale = Pow10(decimals);
  std::string fraction = std::to_string(value % scale);
  fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
  return std::to_string(value / scale) + "." + fraction;
}

} // namespace

bool DecodeFrame(std::string_view frame, DecodedFrame& out) {
  if ((frame.size() != FrameLengthWithoutChecksum && frame.size() != FrameLengthWithoutChecksum + 1) ||
      frame[0] != STX || frame[16] != CR)
    return false;

  DecodedFrame f;
  f.bytes = std::string(frame);
  f.swa = static_cast<uint8_t>(frame[1]);
  f.swb = static_cast<uint8_t>(frame[2]);
  f.swc = static_cast<uint8_t>(frame[3]);

  f.precisionCode = f.swa & 0x07;
  f.precisionValid = f.precisionCode >= 1 && f.precisionCode <= 6;
  if (f.precisionValid) {
    f.multiplier = f.precisionCode == 1 ? 10 : 1;
    f.decimals = f.precisionCode <= 2 ? 0 : f.precisionCode - 2;
  }
  f.incrementCode = (f.swa >> 3) & 0x03;
  static constexpr int increments[] = {0, 1, 2, 5};
  f.increment = increments[f.incrementCode];
  f.swaParity = (f.swa & 0x80) != 0;

  f.net = (f.swb & 0x01) != 0;
  f.negative = (f.swb & 0x02) != 0;
  f.overload = (f.swb & 0x04) != 0;
  f.motion = (f.swb & 0x08) != 0;
  f.autoZeroed = (f.swb & 0x40) != 0;
  f.swbParity = (f.swb & 0x80) != 0;

  f.printKey = (f.swc & 0x08) != 0;
  f.expanded = (f.swc & 0x10) != 0;
  f.swcParity = (f.swc & 0x80) != 0;

  f.fixedBitsValid = (f.swa & 0x60) == 0x20 && (f.swb & 0x30) == 0x30 && (f.swc & 0x67) == 0x60;

  f.weightDigits = std::string(frame.substr(4, 6));
  f.tareDigits = std::string(frame.substr(10, 6));
  f.fieldsValid = IsDigits(f.weightDigits) && IsDigits(f.tareDigits);
  if (f.fieldsValid && f.precisionValid) {
    const long w = std::stol(f.weightDigits);
    const long t = std::stol(f.tareDigits);
    f.weightText = (f.negative ? "-" : "") + PlacePoint(w, f.decimals, f.multiplier);
    f.tareText = PlacePoint(t, f.decimals, f.multiplier);
    const double scale = static_cast<double>(f.multiplier) / static_cast<double>(Pow10(f.decimals));
    f.weight = (f.negative ? -1.0 : 1.0) * static_cast<double>(w) * scale;
    f.tare = static_cast<double>(t) * scale;
  }

  f.hasChecksum = frame.size() == FrameLengthWithoutChecksum + 1;
  if (f.hasChecksum) {
    f.checksum = static_cast<uint8_t>(frame[17]);
    const std::string_view body = frame.substr(0, FrameLengthWithoutChecksum);
    // The readers' checksum is a 7-bit character; on a 7-bit line its parity
    // bit may still sit in bit 7.
    f.standardChecksumHolds = (f.checksum & 0x7F) == StandardChecksum(body);
    if (f.fieldsValid) {
      // The window's formula lives in the encoder alone; rebuilding the frame
      // with it is the one way to stay in step with it.
      const std::string rebuilt =
          Brenvik_Unit::BuildP03String(f.swa, f.swb, f.swc, f.weightDigits, f.tareDigits, true);
      f.windowChecksumHolds = !rebuilt.empty() && static_cast<uint8_t>(rebuilt.back()) == f.checksum;
    }
  }
  out = std::move(f);
  return true;
}

StreamDecoder::StreamDecoder(DecoderOptions options) : options_(options) {}

std::vector<DecodeEvent> StreamDecoder::Feed(std::string_view bytes) {
  const std::size_t start = pending_.size();
  pending_.append(bytes);
  if (options_.stripBit7)
    for (std::size_t i = start; i < pending_.size(); ++i)
      pending_[i] = static_cast<char>(pending_[i] & 0x7F);
  return Drain(false, false);
}

std::vector<DecodeEvent> StreamDecoder::Flush() {
  return Drain(true, false);
}

std::vector<DecodeEvent> StreamDecoder::Finish() {
  return Drain(true, true);
}

std::vector<DecodeEvent> StreamDecoder::Drain(bool quiet, bool final) {
  std::vector<DecodeEvent> out;
  while (Next(quiet, final, out) == Step::Emitted) {
  }
  return out;
}

void StreamDecoder::Emit(DecodeEvent::Kind kind, std::size_t length, bool withChecksum,
                         std::vector<DecodeEvent>& out) {
  DecodeEvent event;
  event.kind = kind;
  event.bytes = pending_.substr(0, length);
  pending_.erase(0, length);
  if (kind == DecodeEvent::Kind::Frame)
    DecodeFrame(std::string_view(event.bytes).substr(0, FrameLengthWithoutChecksum + (withChecksum ? 1 : 0)),
                event.frame);
  out.push_back(std::move(event));
}

StreamDecoder::Step StreamDecoder::Next(bool quiet, bool final, std::vector<DecodeEvent>& out) {
  using Kind = DecodeEvent::Kind;
  if (pending_.empty())
    return Step::NeedMore;

  if (pending_[0] != STX) {
    const std::size_t stx = pending_.find(STX);
    if (stx != std::string::npos)
      Emit(Kind::Garbage, stx, false, out);
    else if (quiet || pending_.size() >= MaxHeldGarbage)
      Emit(Kind::Garbage, pending_.size(), false, out);
    else
      return Step::NeedMore;
    return Step::Emitted;
  }

  // Neither STX nor CR can occur inside a frame: every status word has bit 5
  // or 4 set and the fields are digits. Either one ends the frame early.
  const std::size_t seen = std::min(pending_.size(), FrameLengthWithoutChecksum);
  for (std::size_t i = 1; i < seen; ++i) {
    const char c = pending_[i];
    if (i < 16 && c == STX) {
      Emit(Kind::CutFrame, i, false, out);
      return Step::Emitted;
    }
    if (i < 16 && c == CR) {
      Emit(Kind::CutFrame, i + 1, false, out);
      return Step::Emitted;
    }
    if (i == 16 && c != CR) {
      Emit(Kind::CutFrame, 16, false, out);
      return Step::Emitted;
    }
  }
  if (pending_.size() < FrameLengthWithoutChecksum) {
    if (!final)
      return Step::NeedMore;
    Emit(Kind::CutFrame, pending_.size(), false, out);
    return Step::Emitted;
  }

  const auto withoutChecksum = [&] {
    Emit(Kind::Frame, FrameLengthWithoutChecksum, false, out);
    return Step::Emitted;
  };
  const auto withChecksum = [&] {
    Emit(Kind::Frame, FrameLengthWithoutChecksum + 1, true, out);
    return Step::Emitted;
  };

  if (options_.checksum == ChecksumMode::None)
    return withoutChecksum();
  if (pending_.size() == FrameLengthWithoutChecksum)
    return quiet ? withoutChecksum() : Step::NeedMore;
  if (options_.checksum != ChecksumMode::Auto || pending_[17] != STX)
    return withChecksum();

  // Auto mode, and an STX follows the CR: the next frame, unless it is a
  // checksum that happens to be 0x02.
  DecodedFrame candidate;
  DecodeFrame(std::string_view(pending_).substr(0, FrameLengthWithoutChecksum + 1), candidate);
  if (!candidate.standardChecksumHolds && !candidate.windowChecksumHolds)
    return withoutChecksum();
  if (pending_.size() == FrameLengthWithoutChecksum + 1)
    return quiet ? withChecksum() : Step::NeedMore;
  const char after = static_cast<char>(pending_[18] & 0x7F);
  return (after & 0x60) == 0x20 ? withoutChecksum() : withChecksum();
}

} // namespace P03
