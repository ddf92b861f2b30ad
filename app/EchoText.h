// How a frame is shown in the echo field: every byte as one visible
// character, so a frame's control bytes and a zero checksum byte are seen
// rather than cutting the text short.
#pragma once

#include <QString>

#include <string>

// Printable ASCII stays as it is, bytes above 127 read as Windows-1252, and
// control bytes (0x00-0x1F, 0x7F) become their Unicode control pictures
// (STX as U+2402, CR as U+240D, NUL as U+2400). Bytes that Windows-1252
// leaves undefined show as U+FFFD.
QString EchoText(const std::string& frame);
