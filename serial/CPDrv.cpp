// The parts of the driver that do not depend on the platform.
#include "CPDrv.h"

TCommPortDriver::TCommPortDriver() = default;

TCommPortDriver::~TCommPortDriver() {
  ClosePort();
}

bool TCommPortDriver::IsPortOpen() const {
  return handle_ != -1;
}

void TCommPortDriver::ClosePort() {
  if (IsPortOpen()) {
    releaseHandle();
  }
}

std::string TCommPortDriver::DevicePath() const {
  if (Port == pnCustom) {
    return PortName;
  }
  const int number = static_cast<int>(Port) - static_cast<int>(pnCOM1) + 1;
#ifdef _WIN32
  return "\\\\.\\COM" + std::to_string(number);
#else
  return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

uint32_t TCommPortDriver::LineRate() const {
  switch (BaudRate) {
  case brCustom:
    return BaudRateValue;
  case br110:
    return 110;
  case br300:
    return 300;
  case br600:
    return 600;
  case br1200:
    return 1200;
  case br2400:
    return 2400;
  case br4800:
    return 4800;
  case br9600:
    return 9600;
  case br14400:
    return 14400;
  case br19200:
    return 19200;
  case br38400:
    return 38400;
  case br56000:
    return 56000;
  case br57600:
    return 57600;
  case br115200:
    return 115200;
  }
  return 0;
}
