// p03 serve, send and monitor end to end over pseudo-terminals.
#include "P03Checksum.h"
#include "P03Decoder.h"
#include "ToolProcess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <pty.h>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace tooltest;
using namespace std::chrono_literals;

const std::string Frame1234 = std::string("\x02\x2C\x31\x60", 4) + "001234000000\r";
const std::string Frame1234Standard = Frame1234 + "\x6A";

// A fresh directory for links, removed afterwards.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char name[] = "/tmp/p03-test-XXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
};

// Starts serve and reads the path it prints.
std::string StartServe(Child& child) {
  const std::string path = child.ReadLine(5000);
  EXPECT_FALSE(path.empty()) << "serve printed no path; stderr: " << child.err;
  return path;
}

std::vector<P03::DecodeEvent> Decode(const std::string& bytes) {
  P03::StreamDecoder decoder({P03::ChecksumMode::Standard, false});
  auto events = decoder.Feed(bytes);
  for (auto& e : decoder.Finish())
    events.push_back(std::move(e));
  return events;
}

TEST(Serve, DemandAnswersEachRequestWithExactlyOneFrameAndNothingUnasked) {
  Child serve({"serve", "--mode", "demand", "-w", "12,34", "-c", "standard"});
  const std::string path = StartServe(serve);
  ASSERT_FALSE(path.empty());
  Fd reader{OpenReader(path)};
  ASSERT_GE(reader.fd, 0) << path;

  EXPECT_EQ(ReadBytes(reader.fd, 1, 300), "") << "nothing before a request";
  ASSERT_EQ(write(reader.fd, "\x05", 1), 1);
  EXPECT_EQ(ReadBytes(reader.fd, 18, 3000), Frame1234Standard);
  EXPECT_EQ(ReadBytes(reader.fd, 1, 300), "") << "one request, one frame";

  // Three requests among bytes that are not requests: three frames.
  ASSERT_EQ(write(reader.fd, "x\x05y\x05\x05z", 6), 6);
  EXPECT_EQ(ReadBytes(reader.fd, 54, 3000), Frame1234Standard + Frame1234Standard + Frame1234Standard);
  EXPECT_EQ(ReadBytes(reader.fd, 1, 300), "");

  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0) << serve.err;
}

TEST(Serve, DemandWithAnyByteAndAGivenCharacter) {
  const std::pair<const char*, std::string> cases[] = {{"any", "ab\x05"}, {"P", "PxP"}};
  for (const auto& [trigger, requests] : cases) {
    Child serve({"serve", "--mode", "demand", "--trigger", trigger, "-w", "12,34"});
    const std::string path = StartServe(serve);
    ASSERT_FALSE(path.empty());
    Fd reader{OpenReader(path)};
    ASSERT_GE(reader.fd, 0);
    ASSERT_EQ(write(reader.fd, requests.data(), requests.size()), static_cast<ssize_t>(requests.size()));
    const std::size_t frames = std::string(trigger) == "any" ? 3 : 2;
    EXPECT_EQ(ReadBytes(reader.fd, 17 * frames + 1, 1000).size(), 17 * frames) << trigger;
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.Wait(5000), 0);
  }
}

TEST(Serve, ContinuousSendsWellFormedFramesAtAboutTheRate) {
  Child serve({"serve", "--rate", "20", "-w", "12,34", "-c", "standard", "--format", "7E1"});
  const std::string path = StartServe(serve);
  ASSERT_FALSE(path.empty());
  Fd reader{OpenReader(path)};
  ASSERT_GE(reader.fd, 0);

  // The slave carries the line settings for readers that look at them.
  termios t{};
  ASSERT_EQ(tcgetattr(reader.fd, &t), 0);

  const std::string bytes = ReadBytes(reader.fd, 1 << 16, 1000);
  const auto events = Decode(bytes);
  std::size_t frames = 0;
  for (const auto& e : events) {
    ASSERT_EQ(e.kind, P03::DecodeEvent::Kind::Frame) << "a frame arrives whole";
    EXPECT_TRUE(e.frame.WellFormed());
    EXPECT_TRUE(e.frame.standardChecksumHolds);
    EXPECT_EQ(e.frame.bytes, Frame1234Standard);
    ++frames;
  }
  // 20 a second for a second; loose bounds for a loaded machine.
  EXPECT_GE(frames, 10u);
  EXPECT_LE(frames, 30u);

  serve.Signal(SIGINT);
  EXPECT_EQ(serve.Wait(5000), 0);
}

TEST(Serve, VirtualPortCarriesTheLineSettings) {
  // Linux forces 8 data bits without parity on pseudo-terminals; rate and stop bits stay.
  Child serve({"serve", "--mode", "demand", "--format", "8N2", "--baud", "9600"});
  const std::string path = StartServe(serve);
  ASSERT_FALSE(path.empty());
  Fd reader{open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)};
  ASSERT_GE(reader.fd, 0);
  termios t{};
  ASSERT_EQ(tcgetattr(reader.fd, &t), 0);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & PARENB);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO)) << "raw: bytes pass unchanged";
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0);
}

TEST(Serve, AReaderThatOpensLateGetsCurrentFramesNeverABacklog) {
  Child serve({"serve", "--rate", "20", "-c", "standard"});
  const std::string path = StartServe(serve);
  ASSERT_FALSE(path.empty());
  std::this_thread::sleep_for(1500ms); // 30 frames with nobody reading

  Fd reader{OpenReader(path)};
  ASSERT_GE(reader.fd, 0);
  std::this_thread::sleep_for(20ms);
  // What is waiting at once: at most the frame of the last tick and one more.
  const std::string waiting = ReadBytes(reader.fd, 1 << 16, 0);
  EXPECT_LE(waiting.size(), 2 * 18u);
  // And the frames keep coming.
  EXPECT_EQ(ReadBytes(reader.fd, 18 * 3, 2000).size(), 18 * 3u);

  // Readers come and go: the next one meets the same.
  close(reader.fd);
  std::this_thread::sleep_for(500ms);
  reader.fd = OpenReader(path);
  ASSERT_GE(reader.fd, 0);
  std::this_thread::sleep_for(20ms);
  EXPECT_LE(ReadBytes(reader.fd, 1 << 16, 0).size(), 2 * 18u);
  EXPECT_EQ(ReadBytes(reader.fd, 18 * 3, 2000).size(), 18 * 3u);

  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0);
}

TEST(Serve, DemandDropsAnAnswerItsReaderLeftUnread) {
  Child serve({"serve", "--mode", "demand", "-w", "12,34", "-c", "standard"});
  const std::string path = StartServe(serve);
  ASSERT_FALSE(path.empty());
  {
    Fd gone{OpenReader(path)};
    ASSERT_GE(gone.fd, 0);
    ASSERT_EQ(write(gone.fd, "\x05", 1), 1);
    std::this_thread::sleep_for(100ms); // answered, and closed unread
  }
  std::this_thread::sleep_for(1500ms);
  Fd reader{OpenReader(path)};
  EXPECT_EQ(ReadBytes(reader.fd, 1, 100), "") << "the unread answer is gone";
  ASSERT_GE(reader.fd, 0);
  ASSERT_EQ(write(reader.fd, "\x05", 1), 1);
  EXPECT_EQ(ReadBytes(reader.fd, 36, 1000), Frame1234Standard);

  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0);
}

TEST(Serve, StopSignalsRemoveTheLinkAndExitZero) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    TempDir dir;
    const std::string link = (dir.path / "scale").string();
    Child serve({"serve", "--mode", "demand", "--link", link});
    const std::string path = StartServe(serve);
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);

    // Readers may use the link.
    Fd reader{OpenReader(link)};
    ASSERT_GE(reader.fd, 0);
    ASSERT_EQ(write(reader.fd, "\x05", 1), 1);
    EXPECT_EQ(ReadBytes(reader.fd, 17, 3000).size(), 17u);

    serve.Signal(sig);
    EXPECT_EQ(serve.Wait(5000), 0) << "signal " << sig << ": " << serve.err;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "signal " << sig;
  }
}

TEST(Serve, LinkNeverReplacesAFileButReplacesAStaleLink) {
  TempDir dir;
  const std::string file = (dir.path / "file").string();
  { std::ofstream(file) << "keep me"; }
  auto r = RunP03({"serve", "--link", file}, 5000);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a symbolic link"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(file));

  const std::string link = (dir.path / "scale").string();
  std::filesystem::create_symlink("/dev/pts/nonexistent", link);
  Child serve({"serve", "--link", link});
  const std::string path = StartServe(serve);
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

// A pseudo-terminal pair made by the test.
struct Pty {
  int master = -1, slave = -1;
  std::string path;
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      termios t{};
      tcgetattr(slave, &t);
      cfmakeraw(&t);
      tcsetattr(slave, TCSANOW, &t);
    }
  }
  ~Pty() {
    if (master >= 0)
      close(master);
    if (slave >= 0)
      close(slave);
  }
};

TEST(SendAndMonitor, MonitorShowsTheFrameThatSendSent) {
  // send writes to one pair, monitor reads the other; the test is the wire between.
  Pty out, in;
  ASSERT_FALSE(out.path.empty());
  ASSERT_FALSE(in.path.empty());
  Child monitor({"monitor", "--port", in.path, "--count", "1", "--timeout", "10"});

  const auto sent = RunP03({"send", "--port", out.path, "-w", "12,34", "-c", "standard"}, 5000);
  ASSERT_EQ(sent.status, 0) << sent.err;
  EXPECT_EQ(sent.out, "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D 6A\n");
  const std::string wire = ReadBytes(out.master, 18, 2000);
  ASSERT_EQ(wire, Frame1234Standard);

  // The monitor discards what waits when it opens the port: repeat until it has seen one.
  const auto deadline = Clock::now() + 8s;
  while (!monitor.Exited() && Clock::now() < deadline) {
    ASSERT_EQ(write(in.master, wire.data(), wire.size()), 18);
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(monitor.Wait(5000), 0) << monitor.err;
  EXPECT_EQ(monitor.out.rfind("frame 1: 02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D 6A\n", 0), 0u)
      << monitor.out;
  EXPECT_NE(monitor.out.find("checksum 6A: standard holds, window fails"), std::string::npos);
}

TEST(SendAndMonitor, MonitorOnASevenBitLineDropsTheParityBit) {
  std::ifstream in(P03_FIXTURE_DIR "/toledo-p03-capture.bin", std::ios::binary);
  const std::string capture{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(capture.size(), 180u);
  Pty line;
  Child monitor({"monitor", "--port", line.path, "--format", "7E1", "--count", "9", "--timeout", "10"});
  const auto deadline = Clock::now() + 8s;
  while (!monitor.Exited() && Clock::now() < deadline) {
    ASSERT_EQ(write(line.master, capture.data(), capture.size()), 180);
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(monitor.Wait(5000), 0) << monitor.err;
  EXPECT_NE(monitor.out.find("frame 9: 02 2C"), std::string::npos) << monitor.out;
  EXPECT_NE(monitor.out.find("standard holds"), std::string::npos);
}

TEST(SendAndMonitor, MonitorTimesOutWithExitOneWhenFramesFailToCome) {
  Pty quiet;
  const auto start = Clock::now();
  const auto r = RunP03({"monitor", "--port", quiet.path, "--count", "1", "--timeout", "0.5"}, 5000);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("timed out after 0 of 1 frames"), std::string::npos) << r.err;
  EXPECT_GE(Clock::now() - start, 500ms);
}

TEST(Serve, DemandOnAGivenPort) {
  Pty line;
  Child serve({"serve", "--mode", "demand", "--port", line.path, "-w", "12,34"});
  // The port is open once an answer comes; ask until then.
  std::string answer;
  const auto deadline = Clock::now() + 5s;
  while (answer.empty() && Clock::now() < deadline) {
    ASSERT_EQ(write(line.master, "\x05", 1), 1);
    answer = ReadBytes(line.master, 17, 200);
  }
  EXPECT_EQ(answer, Frame1234);
  EXPECT_EQ(ReadBytes(line.master, 17, 300).size() % 17, 0u);
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(5000), 0) << serve.err;
}

} // namespace
