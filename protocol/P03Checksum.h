// The checksum that P03 readers check on the wire. It differs from the one the
// window's checksum switch appends (see BuildP03String): readers sum the
// characters, the window sums the field values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace P03 {

// Two's complement, modulo 128, of the sum of the 7-bit characters of
// `frame`, which runs from STX to CR inclusive. Bit 7 of every byte is left
// out of the sum, so a frame read off a 7-bit line with the parity bit still in
// bit 7 gives the same value as the clean characters. The result is 0..0x7F.
uint8_t StandardChecksum(std::string_view frame);

// `frame` (STX..CR) with StandardChecksum(frame) appended.
std::string WithStandardChecksum(std::string frame);

} // namespace P03
