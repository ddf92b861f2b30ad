#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "CPDrv.h"
#include "PtyPair.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Bytes with no short period, so that a repeated or skipped stretch cannot
// pass for the original.
std::string patterned(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return s;
}

bool exclusiveFlag(const PtyPair& pty) {
  int on = 0;
  ioctl(pty.slave(), TIOCGEXCL, &on);
  return on != 0;
}

// ---------------------------------------------------------------- line format

struct FormatCase {
  const char* name;
  TBaudRate rate;
  uint32_t rateValue;
  TDataBits dataBits;
  TStopBits stopBits;
  TParity parity;
  THwFlowControl hwFlow;
  TSwFlowControl swFlow;
  speed_t speed;
  bool twoStop;
  tcflag_t parityKind; // PARODD / CMSPAR as they must read back
  bool rtsCts;
  bool xonXoff;
};

const FormatCase kFormats[] = {
    {"Window4800_8E2", brCustom, 4800, db8BITS, sb2BITS, ptEVEN, hfNONE, sfNONE, B4800, true, 0, false,
     false},
    {"SevenEvenOne9600", br9600, 0, db7BITS, sb1BITS, ptEVEN, hfNONE, sfNONE, B9600, false, 0, false, false},
    {"SevenEvenTwo2400", br2400, 0, db7BITS, sb2BITS, ptEVEN, hfNONE, sfNONE, B2400, true, 0, false, false},
    {"SevenOddOne1200XonXoff", brCustom, 1200, db7BITS, sb1BITS, ptODD, hfNONE, sfXONXOFF, B1200, false,
     PARODD, false, true},
    {"EightNoneOne115200", br115200, 0, db8BITS, sb1BITS, ptNONE, hfNONERTSON, sfNONE, B115200, false, 0,
     false, false},
    {"EightOddOne19200RtsCts", br19200, 0, db8BITS, sb1BITS, ptODD, hfRTSCTS, sfNONE, B19200, false, PARODD,
     true, false},
    {"EightMarkTwo38400", br38400, 0, db8BITS, sb2BITS, ptMARK, hfNONE, sfNONE, B38400, true, PARODD | CMSPAR,
     false, false},
    {"EightSpaceOne57600", br57600, 0, db8BITS, sb1BITS, ptSPACE, hfNONE, sfNONE, B57600, false, CMSPAR,
     false, false},
};

class LineFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(LineFormat, IsInForceOnTheDevice) {
  const FormatCase& c = GetParam();
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  drv.Port = pnCustom;
  drv.PortName = pty.path();
  drv.BaudRate = c.rate;
  drv.BaudRateValue = c.rateValue;
  drv.DataBits = c.dataBits;
  drv.StopBits = c.stopBits;
  drv.Parity = c.parity;
  drv.HwFlow = c.hwFlow;
  drv.SwFlow = c.swFlow;
  ASSERT_TRUE(drv.OpenPort());
  EXPECT_TRUE(drv.IsPortOpen());

  const termios t = pty.slaveSettings();
  EXPECT_EQ(cfgetospeed(&t), c.speed);
  EXPECT_EQ(cfgetispeed(&t), c.speed);
  EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop);
  EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityKind);
  // A pty rewrites the character size to CS8 and drops PARENB whatever was
  // asked, so neither the 7-bit sizes nor the parity bit itself can be seen
  // here; only the 8-bit cases can be checked for CS8.
  if (c.dataBits == db8BITS) {
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  }
  EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtsCts);
  EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff);
  EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  // Raw: every byte passes unchanged in both directions.
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY), 0u);
  // DTR and RTS cannot be checked: a pty has no modem lines.
}

INSTANTIATE_TEST_SUITE_P(Formats, LineFormat, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

struct RefusedCase {
  const char* name;
  TBaudRate rate;
  uint32_t rateValue;
  TStopBits stopBits;
};

// Formats this platform cannot put on the line are refused before the
// device is touched.
const RefusedCase kRefused[] = {
    {"Rate14400", br14400, 0, sb1BITS},
    {"Rate56000", br56000, 0, sb1BITS},
    {"CustomRateZero", brCustom, 0, sb1BITS},
    {"CustomRateOdd", brCustom, 12345, sb1BITS},
    {"OneAndAHalfStopBits", br9600, 0, sb1HALFBITS},
};

class RefusedFormat : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFormat, FailsOpenAndLeavesTheDeviceAlone) {
  const RefusedCase& c = GetParam();
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const termios before = pty.slaveSettings();
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  drv.BaudRate = c.rate;
  drv.BaudRateValue = c.rateValue;
  drv.StopBits = c.stopBits;
  EXPECT_FALSE(drv.OpenPort());
  EXPECT_FALSE(drv.IsPortOpen());
  EXPECT_EQ(pty.slaveSettings().c_lflag, before.c_lflag);
  const termios after = pty.slaveSettings();
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_FALSE(exclusiveFlag(pty));

  TCommPortDriver other;
  useWindowSettings(other, pty);
  EXPECT_TRUE(other.OpenPort());
}

INSTANTIATE_TEST_SUITE_P(Formats, RefusedFormat, testing::ValuesIn(kRefused),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

// ----------------------------------------------------------------- open/close

TEST(Settings, NameTheDeviceAndTheRate) {
  TCommPortDriver drv;
  EXPECT_EQ(drv.DevicePath(), "/dev/ttyS0"); // pnCOM1 by default
  drv.Port = pnCOM3;
  EXPECT_EQ(drv.DevicePath(), "/dev/ttyS2");
  drv.Port = pnCustom;
  drv.PortName = "/dev/ttyUSB1";
  EXPECT_EQ(drv.DevicePath(), "/dev/ttyUSB1");

  EXPECT_EQ(drv.LineRate(), 9600u);
  drv.BaudRate = br115200;
  EXPECT_EQ(drv.LineRate(), 115200u);
  drv.BaudRate = brCustom;
  drv.BaudRateValue = 4800;
  EXPECT_EQ(drv.LineRate(), 4800u);
}

TEST(OpenPort, SecondOpenReappliesNothing) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());

  // Change the line behind the driver's back and leave input waiting; a
  // second open must neither restore the format nor flush the input.
  termios changed = pty.slaveSettings();
  cfsetispeed(&changed, B9600);
  cfsetospeed(&changed, B9600);
  ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &changed), 0);
  ASSERT_TRUE(pty.transmit("kept"));
  drv.BaudRateValue = 2400;

  EXPECT_TRUE(drv.OpenPort());
  EXPECT_TRUE(drv.IsPortOpen());
  const termios now = pty.slaveSettings();
  EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B9600));
  EXPECT_EQ(drv.ReadText(1000), "kept");
}

TEST(OpenPort, DiscardsInputWaitingBeforeTheOpen) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(pty.transmit("stale\n"));
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  EXPECT_EQ(drv.ReadText(100), "");
}

TEST(OpenPort, IsRefusedWhileAnotherInstanceHoldsThePort) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver holder;
  useWindowSettings(holder, pty);
  ASSERT_TRUE(holder.OpenPort());
  EXPECT_TRUE(exclusiveFlag(pty));

  // The tests run as root, whom TIOCEXCL does not stop; the lock does.
  TCommPortDriver second;
  useWindowSettings(second, pty);
  EXPECT_FALSE(second.OpenPort());
  EXPECT_FALSE(second.IsPortOpen());
  // The loser must not have released the holder's exclusive use.
  EXPECT_TRUE(exclusiveFlag(pty));
  EXPECT_TRUE(holder.SendText("still mine"));
  EXPECT_EQ(pty.receive(100), "still mine");

  holder.ClosePort();
  EXPECT_FALSE(exclusiveFlag(pty));
  EXPECT_TRUE(second.OpenPort());
}

TEST(OpenPort, DestroyingTheDriverReleasesThePort) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  {
    TCommPortDriver first;
    useWindowSettings(first, pty);
    ASSERT_TRUE(first.OpenPort());
  }
  EXPECT_FALSE(exclusiveFlag(pty));
  TCommPortDriver next;
  useWindowSettings(next, pty);
  EXPECT_TRUE(next.OpenPort());
}

struct MissingCase {
  const char* name;
  const char* path;
};

const MissingCase kMissing[] = {
    {"NoSuchPath", "/nonexistent/ttyP03"},
    {"EmptyName", ""},
    {"Directory", "/"},
    {"NotATerminal", "/dev/null"},
};

class MissingDevice : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingDevice, FailsOpen) {
  TCommPortDriver drv;
  drv.Port = pnCustom;
  drv.PortName = GetParam().path;
  drv.BaudRate = brCustom;
  drv.BaudRateValue = 4800;
  EXPECT_FALSE(drv.OpenPort());
  EXPECT_FALSE(drv.IsPortOpen());
  EXPECT_FALSE(drv.SendText("x"));
}

INSTANTIATE_TEST_SUITE_P(Paths, MissingDevice, testing::ValuesIn(kMissing),
                         [](const testing::TestParamInfo<MissingCase>& info) { return info.param.name; });

TEST(ClosePort, OnAClosedPortDoesNothing) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  drv.ClosePort();
  EXPECT_FALSE(drv.IsPortOpen());
  ASSERT_TRUE(drv.OpenPort());
  drv.ClosePort();
  drv.ClosePort();
  EXPECT_FALSE(drv.IsPortOpen());
  EXPECT_TRUE(drv.OpenPort()); // and it opens again afterwards
}

// -------------------------------------------------------------------- sending

TEST(SendText, FrameWithZeroBytesArrivesWholeAndOnce) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  // STX, status words, a zero in the middle, CR, a zero checksum at the end;
  // \n and XON/XOFF bytes too, which a cooked or flow-controlled line would alter.
  const std::string frame("\x02\x31\x00\x20\x30\x30\x11\x13\x30\x30\x30\x30\x0a\x30\x30\x30\x0d\x00", 18);
  EXPECT_TRUE(drv.SendText(frame));
  EXPECT_EQ(pty.receive(200), frame);

  EXPECT_TRUE(drv.SendText(""));
  EXPECT_EQ(pty.receive(100), "");
}

TEST(SendText, OnAClosedPortFailsAtOnce) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  for (int round = 0; round < 2; ++round) { // never opened, then opened and closed
    const auto start = Clock::now();
    EXPECT_FALSE(drv.SendText("frame"));
    EXPECT_FALSE(drv.SendText(""));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(drv.OutputTimeout));
    ASSERT_TRUE(drv.OpenPort());
    drv.ClosePort();
  }
  EXPECT_EQ(pty.receive(100), "");
}

TEST(SendText, DeviceGoneWhileOpenFailsAndThePortStaysOpen) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  pty.hangUp();
  EXPECT_TRUE(drv.IsPortOpen()); // it does not probe the device
  // A device that reports an error will take nothing however long one
  // waits, so the answer comes at once instead of after the limit.
  const auto start = Clock::now();
  EXPECT_FALSE(drv.SendText("frame"));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(drv.OutputTimeout));
  EXPECT_EQ(drv.ReadText(50), "");
  EXPECT_TRUE(drv.IsPortOpen());
  drv.ClosePort();
  EXPECT_FALSE(drv.IsPortOpen());
}

TEST(SendText, LongTextThatKeepsMovingNeverTimesOut) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  // Three times what the pty holds, and the far end takes an eighth of that
  // every 80 ms: the whole text needs well over the 500 ms limit, but never
  // stalls that long.
  const size_t capacity = ptyCapacity();
  ASSERT_GT(capacity, 0u);
  const std::string text = patterned(3 * capacity);
  std::string received;
  std::atomic<bool> stop = false;
  std::thread reader([&] {
    while (!stop) {
      std::this_thread::sleep_for(80ms);
      received += pty.receiveWaiting(capacity / 8);
    }
  });
  const auto start = Clock::now();
  const bool sent = drv.SendText(text);
  const auto took = Clock::now() - start;
  stop = true;
  reader.join();
  received += pty.receive(100);
  EXPECT_TRUE(sent);
  EXPECT_GT(took, 600ms); // or the test proved nothing
  EXPECT_TRUE(received == text) << "received " << received.size() << " of " << text.size() << " bytes";
}

TEST(SendText, StalledDeviceGivesUpAfterTheLimitAndNothingArrivesLater) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  // Far larger than everything the pty can hold between its two ends.
  const std::string text = patterned(16 * ptyCapacity() + 4096);

  // The far end takes a little for a while and then stops reading. The
  // driver cannot make progress before the far end makes room, so its last
  // progress comes after the start of the last read.
  std::string received;
  Clock::time_point lastRead;
  std::thread reader([&] {
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(60ms);
      lastRead = Clock::now();
      received += pty.receiveWaiting(512);
    }
  });
  const bool sent = drv.SendText(text);
  const auto returned = Clock::now();
  reader.join();
  EXPECT_FALSE(sent);
  EXPECT_GE(returned - lastRead, 500ms);

  // What sits in the far end's input when the driver gives up was delivered
  // before; everything else the driver had written must have been thrown
  // away. A pty also keeps written bytes in a buffer on their way to the
  // master, which only drains as the master reads: had the driver left them
  // there (or kept a buffer of its own), reading would bring more than this.
  int delivered = -1;
  ASSERT_EQ(ioctl(pty.master(), FIONREAD, &delivered), 0);
  const std::string rest = pty.receive(300);
  EXPECT_EQ(rest.size(), static_cast<size_t>(delivered));
  received += rest;
  EXPECT_LT(received.size(), text.size());
  EXPECT_TRUE(text.compare(0, received.size(), received) == 0) << "not a prefix of the text sent";

  // Nothing of it turns up with the next send either.
  EXPECT_TRUE(drv.SendText("END"));
  EXPECT_EQ(pty.receive(200), "END");
}

// -------------------------------------------------------------------- reading

TEST(ReadText, ReturnsWhatThePeerSentUnchanged) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  const std::string bytes("\x05\x00\x11\x13\x0d\x0a\xff", 7);
  ASSERT_TRUE(pty.transmit(bytes));
  EXPECT_EQ(drv.ReadText(1000), bytes);
}

TEST(ReadText, WaitsForBytesThatComeLater) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  ASSERT_TRUE(drv.OpenPort());
  std::thread peer([&] {
    std::this_thread::sleep_for(100ms);
    pty.transmit("late");
  });
  const std::string got = drv.ReadText(5000);
  peer.join();
  EXPECT_EQ(got, "late");
}

TEST(ReadText, TimesOutEmptyAndIsEmptyWhenClosed) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TCommPortDriver drv;
  useWindowSettings(drv, pty);
  EXPECT_EQ(drv.ReadText(50), "");
  ASSERT_TRUE(drv.OpenPort());
  const auto start = Clock::now();
  EXPECT_EQ(drv.ReadText(150), "");
  EXPECT_GE(Clock::now() - start, 150ms);
}

} // namespace
