// Serial-port driver: the settings a port is opened with and the few
// operations the simulator needs. Plain C++; never throws, never prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum TPortNumber { pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8 };
enum TBaudRate {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200
};
enum TDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
enum TStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl { hfNONE, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl { sfNONE, sfXONXOFF };

class TCommPortDriver {
public:
  TCommPortDriver();
  ~TCommPortDriver(); // closes the port if open
  TCommPortDriver(const TCommPortDriver&) = delete;
  TCommPortDriver& operator=(const TCommPortDriver&) = delete;

  // Settings are read by OpenPort; changing them while open has no effect
  // until the port is opened again.
  TPortNumber Port = pnCOM1;
#ifdef _WIN32
  std::string PortName = "\\\\.\\COM1"; // the device path used when Port is pnCustom
#else
  std::string PortName = "/dev/ttyS0"; // the device path used when Port is pnCustom
#endif
  TBaudRate BaudRate = br9600;
  uint32_t BaudRateValue = 9600; // used when BaudRate is brCustom
  TDataBits DataBits = db8BITS;
  TStopBits StopBits = sb1BITS;
  TParity Parity = ptNONE;
  THwFlowControl HwFlow = hfRTSCTS;
  TSwFlowControl SwFlow = sfNONE;
  bool EnableDTROnOpen = true;
  uint16_t OutputTimeout = 500; // ms without progress before SendText gives up

  // What the settings name: the device path (the platform's n-th serial
  // port for pnCOMn, PortName for pnCustom) and the rate in bit/s.
  std::string DevicePath() const;
  uint32_t LineRate() const;

  // Reports the state only; a device that vanished still counts as open
  // until ClosePort.
  bool IsPortOpen() const;
  // True at once when already open (nothing is re-applied). Otherwise opens
  // Port/PortName for exclusive use, puts the format in force and discards
  // what waits in both directions; false, leaving the port closed, for a
  // missing or busy device, a format this platform cannot put on the line
  // (such as a rate it has no name for), or one the device refuses.
  bool OpenPort();
  void ClosePort();
  // True only when every byte was written and has left the driver's output
  // queue. False at once when closed or when the device fails; false when
  // more than OutputTimeout ms pass without progress, and then whatever is
  // still queued is discarded, so nothing of the text goes out later.
  bool SendText(const std::string& text);

  // Waits up to timeoutMs (a negative value waits not at all) for input and
  // returns what has arrived (empty on time-out, on error or when closed).
  // The window never reads; the headless tool does.
  std::string ReadText(int timeoutMs);

private:
  std::intptr_t handle_ = -1; // file descriptor on POSIX, HANDLE on Windows; -1 when closed
  // Captured by OpenPort, so that later edits of the public settings wait
  // for the next open like every other setting.
  uint16_t openTimeout_ = 500;
  uint32_t byteMicros_ = 0; // line time of one character, start and stop bits included
  bool exclusive_ = false;  // POSIX: TIOCEXCL is ours to clear on close

  void releaseHandle();
};
