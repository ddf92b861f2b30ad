// Serial-port driver: the settings a port is opened with and the few
// operations the simulator needs. Plain C++; never throws, never prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum TPortNumber { pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8 };
enum TBaudRate {
  brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000,
  br57600, br115200
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

  bool IsPortOpen() const;
  bool OpenPort();
  void ClosePort();
  // True only when every byte was written.
  bool SendText(const std::string& text);

  // Waits up to timeoutMs for input and returns what has arrived (empty on
  // time-out or when closed). The window never reads; the headless tool does.
  std::string ReadText(int timeoutMs);

private:
  std::intptr_t handle_ = -1; // file descriptor on POSIX, HANDLE on Windows; -1 when closed
};
