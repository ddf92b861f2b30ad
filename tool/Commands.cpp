#include "Commands.h"

#include <cstdio>
#include <iostream>

namespace p03tool {

int RunEncode(const FrameOptions& frameOptions, bool raw) {
  const std::string frame = BuildFrame(frameOptions);
  if (raw) {
    std::fwrite(frame.data(), 1, frame.size(), stdout);
    std::fflush(stdout);
  } else {
    std::cout << Hex(frame) << std::endl;
  }
  return 0;
}

int RunSend(const FrameOptions& frameOptions, const TLineSettings& line, const std::string& port) {
  const std::string frame = BuildFrame(frameOptions);
  std::cerr << DataBitsWarning(frame, line);
  TCommPortDriver driver;
  ConfigureDriver(driver, line, port);
  if (!driver.OpenPort()) {
    std::cerr << "p03: cannot open " << port
              << " (no such device, held by another program, or it refuses the line settings)\n";
    return 1;
  }
  const bool sent = driver.SendText(frame);
  driver.ClosePort();
  if (!sent) {
    std::cerr << "p03: sending to " << port << " failed or timed out (no byte taken for "
              << driver.OutputTimeout << " ms)\n";
    return 1;
  }
  std::cout << Hex(frame) << std::endl;
  return 0;
}

} // namespace p03tool
