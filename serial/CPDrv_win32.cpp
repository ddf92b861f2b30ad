// Serial-port driver for Windows, on the Win32 communications API. Writes are
// synchronous and go out in small pieces, so that the no-progress time-out is
// measured against the device and nothing given up on is left queued.
#include "CPDrv.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Fills in the DCB fields the settings decide and the character's line
// length in bits; false for a value the DCB cannot express.
bool formatFrom(const TCommPortDriver& drv, DCB& dcb, uint32_t& bitsPerChar) {
  uint32_t dataBits = 0;
  switch (drv.DataBits) {
  case db5BITS:
    dataBits = 5;
    break;
  case db6BITS:
    dataBits = 6;
    break;
  case db7BITS:
    dataBits = 7;
    break;
  case db8BITS:
    dataBits = 8;
    break;
  default:
    return false;
  }
  dcb.ByteSize = static_cast<BYTE>(dataBits);

  uint32_t stopHalves = 2; // in half bits, for the line time
  switch (drv.StopBits) {
  case sb1BITS:
    dcb.StopBits = ONESTOPBIT;
    break;
  case sb1HALFBITS:
    dcb.StopBits = ONE5STOPBITS;
    stopHalves = 3;
    break;
  case sb2BITS:
    dcb.StopBits = TWOSTOPBITS;
    stopHalves = 4;
    break;
  default:
    return false;
  }

  switch (drv.Parity) {
  case ptNONE:
    dcb.Parity = NOPARITY;
    break;
  case ptODD:
    dcb.Parity = ODDPARITY;
    break;
  case ptEVEN:
    dcb.Parity = EVENPARITY;
    break;
  case ptMARK:
    dcb.Parity = MARKPARITY;
    break;
  case ptSPACE:
    dcb.Parity = SPACEPARITY;
    break;
  default:
    return false;
  }
  dcb.fParity = dcb.Parity != NOPARITY;

  switch (drv.HwFlow) {
  case hfNONE:
    dcb.fOutxCtsFlow = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    break;
  case hfNONERTSON:
    dcb.fOutxCtsFlow = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    break;
  case hfRTSCTS:
    dcb.fOutxCtsFlow = TRUE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    break;
  default:
    return false;
  }

  switch (drv.SwFlow) {
  case sfNONE:
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    break;
  case sfXONXOFF:
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    break;
  default:
    return false;
  }

  dcb.fBinary = TRUE;
  dcb.fDtrControl = drv.EnableDTROnOpen ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE; // zero bytes are data
  dcb.fAbortOnError = FALSE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 512;
  dcb.XoffLim = 512;

  const uint32_t parityBits = dcb.Parity != NOPARITY ? 1 : 0;
  bitsPerChar = 1 + dataBits + parityBits + (stopHalves + 1) / 2;
  return true;
}

constexpr DWORD kMostTimeout = MAXDWORD - 1;

} // namespace

bool TCommPortDriver::OpenPort() {
  if (IsPortOpen()) {
    return true;
  }
  const uint32_t rate = LineRate();
  DCB format{};
  uint32_t bitsPerChar = 0;
  const std::string path = DevicePath();
  if (rate == 0 || !formatFrom(*this, format, bitsPerChar) || path.empty()) {
    return false;
  }

  // No sharing: while we hold the port nobody else can open it.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) { // not a communications device
    releaseHandle();
    return false;
  }
  dcb.BaudRate = rate;
  dcb.ByteSize = format.ByteSize;
  dcb.StopBits = format.StopBits;
  dcb.Parity = format.Parity;
  dcb.fParity = format.fParity;
  dcb.fBinary = format.fBinary;
  dcb.fOutxCtsFlow = format.fOutxCtsFlow;
  dcb.fOutxDsrFlow = format.fOutxDsrFlow;
  dcb.fDtrControl = format.fDtrControl;
  dcb.fDsrSensitivity = format.fDsrSensitivity;
  dcb.fTXContinueOnXoff = format.fTXContinueOnXoff;
  dcb.fOutX = format.fOutX;
  dcb.fInX = format.fInX;
  dcb.fErrorChar = format.fErrorChar;
  dcb.fNull = format.fNull;
  dcb.fRtsControl = format.fRtsControl;
  dcb.fAbortOnError = format.fAbortOnError;
  dcb.XonChar = format.XonChar;
  dcb.XoffChar = format.XoffChar;
  dcb.XonLim = format.XonLim;
  dcb.XoffLim = format.XoffLim;

  SetupComm(h, 4096, 4096); // only a recommendation; some drivers ignore it
  const bool rtsByHand = dcb.fRtsControl != RTS_CONTROL_HANDSHAKE;
  const bool configured =
      SetCommState(h, &dcb) && EscapeCommFunction(h, EnableDTROnOpen ? SETDTR : CLRDTR) &&
      (!rtsByHand || EscapeCommFunction(h, dcb.fRtsControl == RTS_CONTROL_ENABLE ? SETRTS : CLRRTS)) &&
      PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
  if (!configured) {
    releaseHandle();
    return false;
  }

  openTimeout_ = OutputTimeout;
  byteMicros_ = (bitsPerChar * 1000000u + rate - 1) / rate;
  return true;
}

void TCommPortDriver::releaseHandle() {
  CloseHandle(asHandle(handle_));
  handle_ = -1;
  exclusive_ = false;
}

bool TCommPortDriver::SendText(const std::string& text) {
  if (!IsPortOpen()) {
    return false;
  }
  HANDLE h = asHandle(handle_);

  // Each WriteFile may last the limit plus the line time of its piece. A
  // piece that ends with some bytes taken is progress, and the next one gets
  // a fresh window; one that takes nothing in its window means more than the
  // limit has passed since the last byte went. Pieces of about two
  // milliseconds of line time keep that close to exact.
  const DWORD byteMillis = (byteMicros_ + 999) / 1000;
  const size_t piece = byteMicros_ >= 2000 ? 1 : 2000 / (byteMicros_ == 0 ? 1 : byteMicros_);
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD; // reads, if any, return at once
  timeouts.WriteTotalTimeoutMultiplier = byteMillis;
  timeouts.WriteTotalTimeoutConstant =
      static_cast<DWORD>(openTimeout_) + 1; // "more than"; never 0 (= no limit)
  if (!SetCommTimeouts(h, &timeouts)) {
    return false;
  }

  const auto giveUp = [h] {
    // Whatever the driver still holds must not reach the line later.
    PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR);
    return false;
  };

  size_t written = 0;
  while (written < text.size()) {
    const size_t rest = text.size() - written;
    const DWORD n = static_cast<DWORD>(rest < piece ? rest : piece);
    DWORD done = 0;
    if (!WriteFile(h, text.data() + written, n, &done, nullptr)) {
      return giveUp();
    }
    if (done == 0) {
      return giveUp();
    }
    written += done;
  }
  return true;
}

std::string TCommPortDriver::ReadText(int timeoutMs) {
  std::string received;
  if (!IsPortOpen()) {
    return received;
  }
  HANDLE h = asHandle(handle_);

  // First read: wait up to the time-out for a first byte, then return with
  // whatever is there. Later reads only take what has already arrived.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (timeoutMs > 0) {
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant =
        static_cast<DWORD>(timeoutMs) < kMostTimeout ? static_cast<DWORD>(timeoutMs) : kMostTimeout;
  }
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(openTimeout_) + 1;
  if (!SetCommTimeouts(h, &timeouts)) {
    return received;
  }

  constexpr size_t kMostPerCall = 1 << 16;
  char chunk[4096];
  for (bool first = true; received.size() < kMostPerCall; first = false) {
    DWORD got = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &got, nullptr) || got == 0) {
      break;
    }
    received.append(chunk, got);
    if (first && timeoutMs > 0) {
      timeouts.ReadTotalTimeoutMultiplier = 0;
      timeouts.ReadTotalTimeoutConstant = 0;
      if (!SetCommTimeouts(h, &timeouts)) {
        break;
      }
    }
  }
  return received;
}
