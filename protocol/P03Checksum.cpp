#include "P03Checksum.h"

namespace P03 {

uint8_t StandardChecksum(std::string_view frame) {
  unsigned sum = 0;
  for (unsigned char c : frame)
    sum += c & 0x7Fu;
  return static_cast<uint8_t>((0x80u - (sum & 0x7Fu)) & 0x7Fu);
}

std::string WithStandardChecksum(std::string frame) {
  const uint8_t checksum = StandardChecksum(frame);
  frame.push_back(static_cast<char>(checksum));
  return frame;
}

} // namespace P03
